// Bad inputs and faults, one row each: the forecast and its archive step (as
// the command-line tool runs them) end with a message that names what and
// where, every file of the earlier good run is as it was, and no temporary
// file is left.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "app/folder_lock.h"
#include "app/forecast_run.h"
#include "archive/output_archive.h"
#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/month_files.h"
#include "tests/support/installed_folder.h"
#include "tests/support/shell.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

// The files of a folder tree by relative path, symbolic links as "-> target".
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const std::string& folder) {
    Snapshot files;
    for (auto entry = fs::recursive_directory_iterator(folder);
         entry != fs::recursive_directory_iterator(); ++entry) {
        const std::string relative = fs::relative(entry->path(), folder).string();
        if (entry->is_symlink()) {
            files[relative] = "-> " + fs::read_symlink(entry->path()).string();
            entry.disable_recursion_pending();
        } else if (entry->is_regular_file()) {
            files[relative] = ReadWholeFile(entry->path().string());
        } else {
            files[relative + "/"] = "";
        }
    }
    return files;
}

// A small archive of one entry, whose central and local headers then claim
// compressed and uncompressed sizes of claimed bytes.
std::string ArchiveClaiming(std::uint32_t claimed) {
    testing::TemporaryFolder scratch;
    scratch.Write("Output/a.txt", "a small file");
    ArchiveOutput(Folders::ForWorkingFolder(scratch.Path()));
    std::string bytes = ReadWholeFile(scratch.Path() + "Output/Horoscop.zip");
    const auto put = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>(claimed >> (8 * i));
        }
    };
    const std::size_t central = bytes.find("PK\x01\x02");
    put(central + 20);
    put(central + 24);
    put(18);
    put(22);
    return bytes;
}

class FaultTest : public testing::InstalledFolderTest {
  protected:
    void SetUp() override {
        InstalledFolderTest::SetUp();
        RunAndArchive();
    }

    // What the command-line forecast does: the six months from September 2026, then the archive.
    void RunAndArchive() {
        const FolderLock lock(WorkingFolders());
        RunForecast(request_, lock, {.Year = 2026, .Month = 9}, caches_, nullptr);
        ArchiveOutput(WorkingFolders());
    }

    std::string W() const { return folder_.Path(); }
    std::string System(const std::string& name) const { return W() + "System/" + name; }
    std::string Output(const std::string& name) const { return W() + "Output/" + name; }

    void Replace(const std::string& path, const std::string& bytes) const {
        fs::remove_all(path);
        folder_.Write(fs::relative(path, W()).string(), bytes);
    }
    void MakeFifo(const std::string& path) const {
        fs::remove_all(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    void MakeLink(const std::string& path, const std::string& target) const {
        fs::remove_all(path);
        fs::create_symlink(target, path);
    }
    void MakeFolder(const std::string& path) const {
        fs::remove_all(path);
        fs::create_directories(path + "/inner");
    }
    std::string Utf8Of(const std::string& path) const { return Cp1251ToUtf8(ReadWholeFile(path)); }
};

TEST_F(FaultTest, BadInputsAndFaultsLoseNothing) {
    struct Case {
        std::string name;
        std::function<void()> arrange;
        std::string message;    // "{W}" stands for the working folder
        int monthsWritten = 0;  // months of the failing run that are complete and new
    };
    const std::string refuseName = "Имя содержит в позиции ";
    const std::string notCp1251 =
        " — не текст в кодировке Windows-1251 (возможно, он сохранён в UTF-8): сохраните его в "
        "кодировке Windows-1251.";
    const std::string special =
        " не является обычным файлом (это канал, устройство или сокет): программа читает только "
        "обычные файлы.";
    const std::string link =
        " является символической ссылкой: программа читает и пишет только обычные файлы своей "
        "папки, а не ссылки на другие.";
    const std::string corrupt = "Архив \"{W}Output/Horoscop.zip\" не удаётся прочитать: ";
    const std::string corruptEnd =
        ". Архив оставлен как есть; чтобы начать новый, переместите его в другую папку или "
        "переименуйте.";
    const Case cases[] = {
        {"name not UTF-8", [&] { request_.PersonName = "И\xFFван"; },
         refuseName + "2 байт, который не является символом UTF-8: проверьте имя."},
        {"name cut inside a letter", [&] { request_.PersonName = "Ива\xD0"; },
         refuseName + "4 байт, который не является символом UTF-8: проверьте имя."},
        {"name with ESC", [&] { request_.PersonName = "Ив\x1B[31mан"; },
         refuseName + "3 управляющий символ (код 27): уберите его из имени."},
        {"name with U+0001", [&] { request_.PersonName = "\x01"; },
         refuseName + "1 управляющий символ (код 1): уберите его из имени."},
        {"name with CR LF", [&] { request_.PersonName = "Иван\r\nПётр"; },
         refuseName + "5 управляющий символ (код 13): уберите его из имени."},
        {"name with DEL", [&] { request_.PersonName = "Иван\x7F"; },
         refuseName + "5 управляющий символ (код 127): уберите его из имени."},
        {"name with U+0085", [&] { request_.PersonName = "Иван\u0085"; },
         refuseName + "5 управляющий символ (код 133): уберите его из имени."},
        {"name with U+009F", [&] { request_.PersonName = "\u009F"; },
         refuseName + "1 управляющий символ (код 159): уберите его из имени."},
        {"birth date that does not exist",
         [&] { request_.Birth.Day = 31, request_.Birth.Month = 4; },
         "Даты рождения 31.04.1990 не существует: проверьте день и месяц рождения."},
        {"birth year too early", [&] { request_.Birth.Year = 1919; },
         "Год рождения 1919 вне допустимых пределов: укажите год от 1920 до 2030."},
        {"style fragment missing", [&] { fs::remove(System("style_2.dat")); },
         "File not found: {W}System/style_2.dat (No such file or directory)"},
        {"style fragment a folder", [&] { MakeFolder(System("style_2.dat")); },
         "I/O error 21: {W}System/style_2.dat (Is a directory)"},
        {"style fragment a FIFO", [&] { MakeFifo(System("style_2.dat")); },
         "Файл {W}System/style_2.dat" + special},
        {"help text missing", [&] { fs::remove(System("help.dat")); },
         "File not found: {W}System/help.dat (No such file or directory)"},
        {"help text a folder", [&] { MakeFolder(System("help.dat")); },
         "I/O error 21: {W}System/help.dat (Is a directory)"},
        {"help text a FIFO", [&] { MakeFifo(System("help.dat")); },
         "Файл {W}System/help.dat" + special},
        {"help text a link to /dev/zero", [&] { MakeLink(System("help.dat"), "/dev/zero"); },
         "Файл {W}System/help.dat" + link},
        {"help text a link to a good copy",
         [&] {
             fs::copy_file(System("help.dat"), W() + "help.copy");
             MakeLink(System("help.dat"), W() + "help.copy");
         },
         "Файл {W}System/help.dat" + link},
        {"topic file missing", [&] { fs::remove(System("1.dat")); },
         "File not found: {W}System/1.dat (No such file or directory)"},
        {"topic file a link", [&] { MakeLink(System("1.dat"), System("3.dat")); },
         "Файл {W}System/1.dat" + link},
        {"help text in UTF-8", [&] { Replace(System("help.dat"), Utf8Of(System("help.dat"))); },
         "Файл {W}System/help.dat" + notCp1251},
        {"topic file in UTF-8", [&] { Replace(System("1.dat"), Utf8Of(System("1.dat"))); },
         "Файл {W}System/1.dat" + notCp1251},
        {"topic header not a number",
         [&] {
             Replace(System("1.dat"), "*   1   0   1   2\r\nfirst@\r\n*   1  9x   3   1\r\nx@\r\n");
         },
         "' 9x' is not a valid integer value ({W}System/1.dat, header of entry 2, line 3)"},
        {"Pluto table missing", [&] { fs::remove(System("pluto.sys")); },
         "File not found: {W}System/pluto.sys (No such file or directory)"},
        {"Pluto table a folder", [&] { MakeFolder(System("pluto.sys")); },
         "I/O error 21: {W}System/pluto.sys (Is a directory)"},
        {"Pluto table with a bad record", [&] { Replace(System("pluto.sys"), "10\r\nten\r\n"); },
         "Invalid numeric format in {W}System/pluto.sys, record 2: 'ten'"},
        {"Pluto table too short", [&] { Replace(System("pluto.sys"), "10\r\n20\r\n"); },
         "Pluto table {W}System/pluto.sys has no day 32936"},
        {"chart template missing", [&] { fs::remove(System("month.bmp")); },
         "File not found: {W}System/month.bmp (No such file or directory)"},
        {"chart template a folder", [&] { MakeFolder(System("month.bmp")); },
         "I/O error 21: {W}System/month.bmp (Is a directory)"},
        {"chart template not a picture", [&] { Replace(System("month.bmp"), "not a picture"); },
         "Cannot read the chart template {W}System/month.bmp: not a bitmap file"},
        {"chart template cut short",
         [&] { Replace(System("month.bmp"), ReadWholeFile(System("month.bmp")).substr(0, 5000)); },
         "Cannot read the chart template {W}System/month.bmp: cut short: 626 x 205 pixels need "
         "385400 bytes from offset 54, the file has 5000 bytes"},
        {"chart font in the working folder not a font",
         [&] { Replace(System("LiberationSans-Regular.ttf"), std::string(2000, 'x')); },
         "Cannot read the chart's font {W}System/LiberationSans-Regular.ttf: not a font FreeType "
         "reads: unknown file format (FreeType error 0x02)"},
        {"a later page that cannot be replaced", [&] { MakeFolder(Output("Hor_11_2026.html")); },
         "Cannot create file \"{W}Output/Hor_11_2026.html\". Is a directory", 2},
        {"a later chart that cannot be replaced", [&] { MakeFolder(Output("Hor_12_2026.jpeg")); },
         "Cannot create file \"{W}Output/Hor_12_2026.jpeg\". Is a directory", 3},
        {"output folder a file", [&] { Replace(W() + "Output", "a file"); },
         "Cannot create file \"{W}Output/Hor_09_2026.jpeg\". Not a directory"},
        {"archive a folder", [&] { MakeFolder(Output("Horoscop.zip")); },
         "Cannot create file \"{W}Output/Horoscop.zip\". Is a directory", 6},
        {"archive not a ZIP", [&] { Replace(Output("Horoscop.zip"), std::string(300, 'x')); },
         corrupt + "это не ZIP-архив, или его оглавление повреждено" + corruptEnd, 6},
        {"archive cut in half",
         [&] {
             const std::string bytes = ReadWholeFile(Output("Horoscop.zip"));
             Replace(Output("Horoscop.zip"), bytes.substr(0, bytes.size() / 2));
         },
         corrupt + "это не ZIP-архив, или его оглавление повреждено" + corruptEnd, 6},
        {"archive claiming a 4 GB entry",
         [&] { Replace(Output("Horoscop.zip"), ArchiveClaiming(0xFFFFFFF0u)); },
         corrupt + "запись \"a.txt\" заявляет 4294967280 байт данных, больше, чем весь архив (" +
             std::to_string(ArchiveClaiming(0xFFFFFFF0u).size()) + " байт)" + corruptEnd,
         6},
        {"archive whose entry runs past its end",
         [&] { Replace(Output("Horoscop.zip"), ArchiveClaiming(100)); },
         corrupt + "данные записи \"a.txt\" выходят за конец архива" + corruptEnd, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts from a fresh good run of its own; the failing run
        // is of another topic, so that every file it replaces is told apart.
        fs::remove_all(W());
        fs::create_directories(W());
        InstalledFolderTest::SetUp();
        RunAndArchive();
        request_.Topic = 1;
        c.arrange();
        Snapshot before = Take(W());
        std::string message = c.message;
        if (const std::size_t at = message.find("{W}"); at != std::string::npos) {
            message.replace(at, 3, W());
        }
        try {
            RunAndArchive();
            ADD_FAILURE() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(error.what(), message);
        }
        Snapshot after = Take(W());
        // The scratch picture is the program's own, rewritten by every chart.
        before.erase("System/tmp.bmp");
        after.erase("System/tmp.bmp");
        // The months done before the failure are new, chart and page alike.
        for (int k = 0; k < c.monthsWritten; ++k) {
            const CalendarMonth month = CalendarMonth{.Year = 2026, .Month = 9}.Plus(k);
            for (const char* extension : {".html", ".jpeg"}) {
                const std::string name = "Output/" + MonthFileName(month, extension);
                EXPECT_NE(before[name], after[name]) << name << " is not new";
                before.erase(name);
                after.erase(name);
            }
        }
        EXPECT_TRUE(before == after) << "a file of the earlier run changed, or a new one stayed";
        for (const auto& [path, bytes] : after) {
            EXPECT_FALSE(IsTemporaryFileName(fs::path(path).filename().string())) << path;
        }
    }
}

// A full disk: the months cannot be written; the earlier run's files stay.
TEST_F(FaultTest, FullDiskKeepsTheEarlierRun) {
    const std::string output = W() + "Output";
    const Snapshot earlier = Take(output);
    fs::rename(output, W() + "Output.earlier");
    fs::create_directory(output);
    if (mount("nevalorum", output.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    for (const auto& entry : fs::directory_iterator(W() + "Output.earlier")) {
        fs::copy(entry.path(), output + "/" + entry.path().filename().string());
    }
    // All but a few kilobytes of the mount are taken.
    std::string filler(4096, 'f');
    {
        std::FILE* file = std::fopen((output + "/filler.bin").c_str(), "wb");
        while (std::fwrite(filler.data(), 1, filler.size(), file) == filler.size()) {
        }
        std::fclose(file);
    }
    fs::resize_file(output + "/filler.bin", fs::file_size(output + "/filler.bin") - 8192);
    Snapshot before = Take(output);
    try {
        RunAndArchive();
        ADD_FAILURE() << "no error";
    } catch (const InputOutputError& error) {
        EXPECT_NE(std::string(error.what()).find("No space left on device"), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(Take(output) == before);
    fs::remove(output + "/filler.bin");
    before.erase("filler.bin");
    EXPECT_TRUE(before == earlier);
    umount(output.c_str());
}

// The files of a run are no more readable than the umask allows, and a file
// that replaces another keeps who may read it.
TEST_F(FaultTest, FilesGetTheModeTheUmaskAllows) {
    const std::vector<std::string> written = {Output("Hor_09_2026.html"),
                                              Output("Hor_02_2027.jpeg"), Output("Horoscop.zip"),
                                              System("tmp.bmp")};
    for (const std::string& path : written) {
        fs::remove(path);
    }
    const mode_t before = umask(077);
    RunAndArchive();
    umask(before);
    const auto mode = [](const std::string& path) {
        struct stat info {};
        lstat(path.c_str(), &info);
        return info.st_mode & 07777;
    };
    for (const std::string& path : written) {
        EXPECT_EQ(mode(path), 0600u) << path;
    }
    for (const std::string& path : written) {
        chmod(path.c_str(), 0640);
    }
    request_.Topic = 1;
    RunAndArchive();
    for (const std::string& path : written) {
        EXPECT_EQ(mode(path), 0640u) << path;
    }
}

// The forecast's folder path is too long for the system.
TEST_F(FaultTest, PathTooLongIsNamed) {
    const Folders folders = Folders::ForWorkingFolder(W() + std::string(4200, 'a'));
    try {
        const FolderLock lock(folders);
        RunForecast(request_, lock, {.Year = 2026, .Month = 9}, caches_, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const InputOutputError& error) {
        EXPECT_TRUE(std::string(error.what()) ==
                    "I/O error 36: " + folders.ProgramFolder + " (File name too long)")
            << std::string(error.what()).substr(0, 40) << "...";
    }
}

// Temporaries of an interrupted run are removed, never archived; symbolic links
// are not followed; a valid empty archive is updated like any other.
TEST_F(FaultTest, LeftoversLinksAndAnEmptyArchive) {
    folder_.Write("Output/Hor_09_2026.html.nptmp-a1b2c3", "half a page");
    folder_.Write("System/tmp.bmp.nptmp-Zz09Yy", "half a picture");
    folder_.Write("outside/secret.txt", "not for the archive");
    fs::create_directory_symlink(".", Output("loop"));
    fs::create_symlink(W() + "outside/secret.txt", Output("secret.txt"));
    Replace(Output("Horoscop.zip"), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    RunAndArchive();
    const std::uintmax_t first = fs::file_size(Output("Horoscop.zip"));
    RunAndArchive();
    EXPECT_EQ(fs::file_size(Output("Horoscop.zip")), first) << "the archive grows run after run";
    for (const auto& [path, bytes] : Take(W())) {
        EXPECT_FALSE(IsTemporaryFileName(fs::path(path).filename().string())) << path;
    }
    const std::string listing =
        testing::RunCommand("unzip -Z1 '" + Output("Horoscop.zip") + "'").Output;
    EXPECT_NE(listing.find("Hor_09_2026.html\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("b_blu1.gif\n"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("secret"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("nptmp"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("Horoscop.zip"), std::string::npos) << listing;
}

}  // namespace
}  // namespace nevalorum
