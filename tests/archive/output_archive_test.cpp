#include "archive/output_archive.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "app/forecast_run.h"
#include "common/errors.h"
#include "common/files.h"
#include "tests/support/installed_folder.h"
#include "tests/support/shell.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::RunCommand;

// An entry as Python's zipfile reads it.
struct EntryFields {
    int MadeBy, System, Needed, Flags, Method, Internal, External, DosDate, DosTime;
    int LocalFlags, LocalMethod, LocalExtra, CentralExtra, Comment, LocalAgrees;
    std::string Stored;  // digest of the local header and data as stored
};

// The archive's entries by name, in archive order, after every independent
// reader has tested it.
std::vector<std::pair<std::string, EntryFields>> ReadBack(const std::string& archive) {
    const std::string source = testing::RequiredEnvironment("NEVALORUM_SOURCE_DIR");
    EXPECT_EQ(RunCommand("unzip -tqq '" + archive + "'").ExitCode, 0) << "unzip -t";
    if (RunCommand("command -v 7z").ExitCode == 0) {
        EXPECT_EQ(RunCommand("7z t '" + archive + "'").ExitCode, 0) << "7z t";
    }
    const CommandResult python =
        RunCommand("python3 " + source + "/tests/app/read_archive.py '" + archive + "'");
    EXPECT_EQ(python.ExitCode, 0) << python.Output;
    std::vector<std::pair<std::string, EntryFields>> entries;
    std::istringstream lines(python.Output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> parts;
        std::istringstream fields(line);
        for (std::string part; std::getline(fields, part, '|');) {
            parts.push_back(part);
        }
        if (parts.size() != 17) {
            ADD_FAILURE() << line;
            continue;
        }
        std::vector<int> numbers;
        for (std::size_t i = 1; i < 16; ++i) {
            numbers.push_back(std::stoi(parts[i]));
        }
        entries.push_back({parts[0],
                           {numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5],
                            numbers[6], numbers[7], numbers[8], numbers[9], numbers[10],
                            numbers[11], numbers[12], numbers[13], numbers[14], parts[16]}});
    }
    return entries;
}

std::vector<std::string> Names(const std::vector<std::pair<std::string, EntryFields>>& entries) {
    std::vector<std::string> names;
    for (const auto& [name, fields] : entries) {
        names.push_back(name);
    }
    return names;
}

// The MS-DOS date and time of a file's modification time.
std::pair<int, int> DosTimeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    std::tm local{};
    localtime_r(&info.st_mtim.tv_sec, &local);
    return {(local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday,
            local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2};
}

void SetModificationTime(const std::string& path, std::time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

class OutputArchiveTest : public testing::InstalledFolderTest {
  protected:
    void Forecast(int month, int year) {
        RunForecast(state_, WorkingFolders(), {.Year = year, .Month = month}, caches_, nullptr);
    }
    void Archive() { ArchiveOutput(WorkingFolders()); }
    // The working folders with the archive under another name.
    Folders WithArchive(const std::string& path) const {
        Folders folders = WorkingFolders();
        folders.ArchivePath = path;
        return folders;
    }

    std::string Output() const { return folder_.Path() + "Output/"; }
    std::string ArchivePath() const { return Output() + "Horoscop.zip"; }
};

std::vector<std::string> Bullets() {
    return {"b_blu1.gif", "b_blu2.gif", "b_blu3.gif", "b_blu4.gif", "b_blu5.gif",
            "b_red1.gif", "b_red2.gif", "b_red3.gif", "b_red4.gif", "b_red5.gif"};
}

std::vector<std::string> MonthFiles(std::vector<std::pair<int, int>> months) {
    std::vector<std::string> names;
    for (const auto& [month, year] : months) {
        char name[32];
        std::snprintf(name, sizeof name, "Hor_%02d_%d", month, year);
        names.push_back(std::string(name) + ".html");
        names.push_back(std::string(name) + ".jpeg");
    }
    return names;
}

TEST_F(OutputArchiveTest, FirstRunHoldsTheFolderButNotItself) {
    Forecast(11, 2026);
    Archive();
    std::vector<std::string> expected =
        MonthFiles({{1, 2027}, {2, 2027}, {3, 2027}, {4, 2027}, {11, 2026}, {12, 2026}});
    const std::vector<std::string> bullets = Bullets();
    expected.insert(expected.end(), bullets.begin(), bullets.end());
    const auto entries = ReadBack(ArchivePath());
    EXPECT_EQ(Names(entries), expected);
    for (const auto& [name, e] : entries) {
        SCOPED_TRACE(name);
        EXPECT_EQ(e.MadeBy, 20);
        EXPECT_EQ(e.System, 0);  // MS-DOS
        EXPECT_EQ(e.Needed, 20);
        EXPECT_EQ(e.Flags, 0);
        EXPECT_EQ(e.LocalFlags, 0);
        EXPECT_TRUE(e.Method == 8 || e.Method == 0);
        EXPECT_EQ(e.LocalMethod, e.Method);
        EXPECT_EQ(e.LocalExtra + e.CentralExtra + e.Comment, 0);
        EXPECT_EQ(e.LocalAgrees, 1) << "local header rewritten with CRC and sizes";
        EXPECT_EQ(e.External, 0x20);
        EXPECT_EQ(std::make_pair(e.DosDate, e.DosTime), DosTimeOf(Output() + name));
    }
}

// Text or binary by the bytes of the first deflate block; stored where
// deflating does not make a file smaller.
TEST_F(OutputArchiveTest, InternalAttributeAndMethodByContents) {
    struct Case {
        std::string name;
        std::string bytes;
        int internal, method;
    };
    std::uint32_t state = 2463534242u;  // xorshift: bytes that do not compress
    const auto noise = [&state](std::size_t length, unsigned char from, unsigned char count) {
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            bytes += static_cast<char>(from + state % count);
        }
        return bytes;
    };
    // Incompressible letters fill deflate's first block long before 20,000
    // bytes, so only the start of these files decides.
    const std::string textThenBinary = noise(20000, 'a', 26) + noise(30000, 0x80, 128);
    const std::string binaryThenText = noise(20000, 0x80, 128) + noise(100000, 'a', 26);
    const Case cases[] = {
        {"plain.txt", std::string(2000, 'a') + "\r\nline two\r\n", 1, 8},
        {"mostly_text.txt", std::string(400, 'x') + std::string(100, '\x01'), 1, 8},
        {"mostly_binary.bin", std::string(400, 'x') + std::string(101, '\x01'), 0, 8},
        {"noise.bin", noise(4000, 0, 255), 0, 0},
        {"text_then_binary.bin", textThenBinary, 1, 8},
        {"binary_then_text.txt", binaryThenText, 0, 8},
        {"empty.txt", "", 1, 0},
    };
    fs::remove_all(Output());
    fs::create_directory(Output());
    for (const Case& c : cases) {
        folder_.Write("Output/" + c.name, c.bytes);
    }
    Archive();
    std::map<std::string, EntryFields> byName;
    for (const auto& [name, fields] : ReadBack(ArchivePath())) {
        byName.emplace(name, fields);
    }
    for (const Case& c : cases) {
        ASSERT_EQ(byName.count(c.name), 1u) << c.name;
        EXPECT_EQ(byName.at(c.name).Internal, c.internal) << c.name;
        EXPECT_EQ(byName.at(c.name).Method, c.method) << c.name;
    }
}

TEST_F(OutputArchiveTest, UpdateKeepsOrderAndReplacesChangedFiles) {
    Forecast(11, 2026);
    Archive();
    const auto first = ReadBack(ArchivePath());

    // The same run again, later: every page and chart has new data and a later time.
    const std::time_t later = std::time(nullptr) + 60;
    state_.Topic = 1;
    Forecast(11, 2026);
    for (const std::string& name :
         MonthFiles({{11, 2026}, {12, 2026}, {1, 2027}, {2, 2027}, {3, 2027}, {4, 2027}})) {
        SetModificationTime(Output() + name, later);
    }
    Archive();
    const auto second = ReadBack(ArchivePath());
    EXPECT_EQ(Names(second), Names(first));
    for (std::size_t i = 0; i < first.size(); ++i) {
        const bool bullet = first[i].first.starts_with("b_");
        EXPECT_EQ(first[i].second.Stored == second[i].second.Stored, bullet) << first[i].first;
    }

    // A run in the following month adds its new month after the existing entries.
    // Its pages of the months both runs share carry a new row of links: with
    // the time of their entries, they are replaced all the same; the charts
    // came out byte for byte the same, and their entries are copied as they are.
    Forecast(12, 2026);
    for (const std::string& name : MonthFiles({{5, 2027}})) {
        SetModificationTime(Output() + name, later + 60);
    }
    const std::vector<std::string> rewritten =
        MonthFiles({{12, 2026}, {1, 2027}, {2, 2027}, {3, 2027}, {4, 2027}});
    for (const std::string& name : rewritten) {
        SetModificationTime(Output() + name, later);
    }
    Archive();
    const auto third = ReadBack(ArchivePath());
    std::vector<std::string> expected = Names(second);
    const std::vector<std::string> may = MonthFiles({{5, 2027}});
    expected.insert(expected.end(), may.begin(), may.end());
    EXPECT_EQ(Names(third), expected);
    for (std::size_t i = 0; i < second.size(); ++i) {
        const std::string& name = second[i].first;
        const bool replaced =
            name.ends_with(".html") &&
            std::find(rewritten.begin(), rewritten.end(), name) != rewritten.end();
        EXPECT_EQ(third[i].second.Stored == second[i].second.Stored, !replaced) << name;
    }
    EXPECT_EQ(third.size(), 24u);  // fourteen pages and charts, ten marks
}

TEST_F(OutputArchiveTest, NamesSubfoldersAndUserFiles) {
    fs::remove_all(Output());
    fs::create_directory(Output());
    folder_.Write("Output/Hor_01_2027.html", "the page");
    folder_.Write("Output/sub/Hor_01_2027.html", "a copy in a subfolder");
    folder_.Write("Output/sub/HOR_01_2027.HTML", "the same name in other letters");
    folder_.Write("Output/sub/deeper/notes.txt", "a user's notes");
    folder_.Write("Output/Заметки Ёлка.txt", "Cyrillic name");
    folder_.Write("Output/Ω and «quotes».txt", "a name CP866 cannot hold");
    folder_.Write("Output/horoscop.ZIP.txt", "not the archive");
    Archive();
    const auto entries = ReadBack(ArchivePath());
    EXPECT_EQ(Names(entries),
              (std::vector<std::string>{"Hor_01_2027.html", "horoscop.ZIP.txt",
                                        "Ω and «quotes».txt", "Заметки Ёлка.txt", "notes.txt"}));
    for (const auto& [name, fields] : entries) {
        EXPECT_EQ(fields.Flags, name.starts_with("Ω") ? 0x800 : 0) << name;
    }
    // The archive is known as a file, however its path is written: it is no
    // entry of itself.
    ArchiveOutput(WithArchive(folder_.Path() + "Output/../Output/./Horoscop.zip"));
    EXPECT_EQ(Names(ReadBack(ArchivePath())), Names(entries));
}

// A failure while writing leaves the old archive as it was and no temporary file.
TEST_F(OutputArchiveTest, FailedWriteKeepsTheOldArchive) {
    Forecast(11, 2026);
    Archive();
    const std::string before = ReadWholeFile(ArchivePath());
    folder_.Write("Output/large.bin", std::string(300000, 'z') + std::string(300000, 'q'));

    const pid_t child = fork();
    if (child == 0) {
        // Files may not grow beyond 64 KiB here: the new archive cannot be written.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            ArchiveOutput(WorkingFolders());
        } catch (const InputOutputError& error) {
            _exit(std::string(error.what()).starts_with("Cannot create file \"" + ArchivePath())
                      ? 3
                      : 4);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(ReadWholeFile(ArchivePath()), before);
    for (const fs::directory_entry& entry : fs::directory_iterator(Output())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("Horoscop.zip.")) << entry.path();
    }
}

// Times outside the MS-DOS years 1980 to 2107 become the format's first or last moment.
TEST_F(OutputArchiveTest, TimesOutsideTheDosYears) {
    struct Case {
        const char* name;
        std::time_t modified;
        int dosDate, dosTime;
    };
    const Case cases[] = {
        {"old.txt", 0, 1 << 5 | 1, 0},
        {"future.txt", 7258118400, 127 << 9 | 12 << 5 | 31, 23 << 11 | 59 << 5 | 29},  // 2200
    };
    fs::remove_all(Output());
    fs::create_directory(Output());
    for (const Case& c : cases) {
        SetModificationTime(folder_.Write(std::string("Output/") + c.name, "text"), c.modified);
    }
    Archive();
    std::map<std::string, EntryFields> byName;
    for (const auto& [name, fields] : ReadBack(ArchivePath())) {
        byName.emplace(name, fields);
    }
    for (const Case& c : cases) {
        EXPECT_EQ(byName.at(c.name).DosDate, c.dosDate) << c.name;
        EXPECT_EQ(byName.at(c.name).DosTime, c.dosTime) << c.name;
    }
}

TEST_F(OutputArchiveTest, ProgressReachesTheTotalAndMissingFolderIsAnError) {
    Forecast(11, 2026);
    std::vector<ArchiveProgress> reports;
    ArchiveOutput(WorkingFolders(),
                  [&](const ArchiveProgress& progress) { reports.push_back(progress); });
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().BytesWritten, reports.back().BytesTotal);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GT(reports[i].BytesWritten, reports[i - 1].BytesWritten);
    }
    fs::remove_all(Output());
    EXPECT_THROW(Archive(), InputOutputError);
    EXPECT_FALSE(fs::exists(Output()));
}

// Resident memory of the process now [KiB].
long ResidentKilobytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kilobytes = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        std::sscanf(line, "VmRSS: %ld kB", &kilobytes);
    }
    std::fclose(status);
    return kilobytes;
}

// Large files, in the folder and in the existing archive, pass through the
// update in blocks: its memory does not grow with them.
TEST_F(OutputArchiveTest, LargeEntriesPassInBoundedMemory) {
    fs::remove_all(Output());
    fs::create_directory(Output());
    // 96 MiB that deflating hardly shrinks, and a file of 48 MiB that it does.
    std::string block(1 << 20, '\0');
    std::uint32_t seed = 12345;
    {
        std::FILE* file = std::fopen((Output() + "large.bin").c_str(), "wb");
        for (int mebibyte = 0; mebibyte < 96; ++mebibyte) {
            for (char& c : block) {
                seed = seed * 1664525u + 1013904223u;
                c = static_cast<char>(seed >> 24);
            }
            std::fwrite(block.data(), 1, block.size(), file);
        }
        std::fclose(file);
    }
    folder_.Write("Output/text.txt", std::string(48 << 20, 't'));
    Archive();  // the first archive holds them
    SetModificationTime(folder_.Write("Output/new.txt", "new"), 2000000000);

    const pid_t child = fork();
    if (child == 0) {
        const long before = ResidentKilobytes();
        ArchiveOutput(WorkingFolders());
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        _exit(usage.ru_maxrss - before < 64 * 1024 ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the update took more than 64 MiB";
    EXPECT_EQ(RunCommand("unzip -tqq '" + ArchivePath() + "'").ExitCode, 0);
}

}  // namespace
}  // namespace nevalorum
