#include "archive/output_archive.h"
#include "archive/archive_plan.h"
#include "archive/output_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "app/forecast_run.h"
#include "common/errors.h"
#include "common/files.h"
#include "tests/support/installed_folder.h"
#include "tests/support/shell.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

using testing::CommandResult;
using testing::RunCommand;
using testing::TemporaryFolder;

// An entry as Python's zipfile reads it.
struct EntryFields {
    int MadeBy, System, Needed, Flags, Method, Internal, External, DosDate, DosTime;
    int LocalFlags, LocalMethod, LocalExtra, CentralExtra, Comment, LocalAgrees;
    std::string Stored;  // digest of the local header and data as stored
    std::uint64_t Crc, CompressedSize, Size, Offset, End;  // End: of the entry's data
    int DiskStart, LocalNeeded;
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
        if (parts.size() != 24) {
            ADD_FAILURE() << line;
            continue;
        }
        std::vector<std::uint64_t> numbers;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            numbers.push_back(i == 16 ? 0 : std::stoull(parts[i]));
        }
        const auto n = [&](std::size_t field) { return static_cast<int>(numbers[field - 1]); };
        entries.push_back(
            {parts[0], {n(1),        n(2),        n(3),        n(4),      n(5),        n(6),
                        n(7),        n(8),        n(9),        n(10),     n(11),       n(12),
                        n(13),       n(14),       n(15),       parts[16], numbers[16], numbers[17],
                        numbers[18], numbers[19], numbers[20], n(22),     n(23)}});
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

// The fields every entry has the same way, and those that follow from its
// file's bytes and time, as the independent reader sees them.
void ExpectEntryOfFile(const EntryFields& e, const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(e.MadeBy, 20);
    EXPECT_EQ(e.System, 0);  // MS-DOS
    EXPECT_EQ(e.Needed, 20);
    EXPECT_EQ(e.LocalNeeded, 20);
    EXPECT_EQ(e.Flags, 0);
    EXPECT_EQ(e.LocalFlags, 0);
    EXPECT_EQ(e.LocalMethod, e.Method);
    EXPECT_EQ(e.LocalExtra + e.CentralExtra + e.Comment, 0);
    EXPECT_EQ(e.DiskStart, 0);
    EXPECT_EQ(e.LocalAgrees, 1) << "local header rewritten with CRC and sizes";
    EXPECT_EQ(e.Crc, crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                           static_cast<uInt>(bytes.size())));
    EXPECT_EQ(e.Size, bytes.size());
    if (e.Method == 0) {
        EXPECT_EQ(e.CompressedSize, e.Size);
    } else {
        EXPECT_EQ(e.Method, 8);
        EXPECT_LT(e.CompressedSize, e.Size);
    }
    EXPECT_EQ(std::make_pair(e.DosDate, e.DosTime), DosTimeOf(path));
}

// Each local header follows the data of the entry before it, from the start of
// the archive: no data descriptor, nothing between.
void ExpectEntriesBackToBack(const std::vector<std::pair<std::string, EntryFields>>& entries) {
    std::uint64_t next = 0;
    for (const auto& [name, e] : entries) {
        EXPECT_EQ(e.Offset, next) << name;
        next = e.End;
    }
}

void SetModificationTime(const std::string& path, std::time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

class OutputArchiveTest : public testing::InstalledFolderTest {
  protected:
    void Forecast(int month, int year) { RunHere({.Year = year, .Month = month}); }
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
        ExpectEntryOfFile(e, Output() + name);
        EXPECT_EQ(e.External, 0x20);
    }
    ExpectEntriesBackToBack(entries);
}

// Text or binary by the bytes of the first deflate block; stored where
// deflating does not make a file smaller; read-only from the file's mode.
TEST_F(OutputArchiveTest, AttributesAndMethodByContentsAndMode) {
    struct Case {
        std::string name;
        std::string bytes;
        int internal, method;
        mode_t mode = 0644;
        int external = 0x20;  // archive bit, and read-only for a file no one may write
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
        {"read_only.txt", std::string(300, 'r'), 1, 8, 0444, 0x21},
        {"owner_read_only.bin", noise(300, 0, 255), 0, 0, 0466, 0x21},
        {"others_read_only.bin", noise(300, 0, 255), 0, 0, 0600, 0x20},
    };
    fs::remove_all(Output());
    fs::create_directory(Output());
    for (const Case& c : cases) {
        chmod(folder_.Write("Output/" + c.name, c.bytes).c_str(), c.mode);
    }
    Archive();
    const auto entries = ReadBack(ArchivePath());
    std::map<std::string, EntryFields> byName(entries.begin(), entries.end());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(byName.count(c.name), 1u);
        const EntryFields& e = byName.at(c.name);
        ExpectEntryOfFile(e, Output() + c.name);
        EXPECT_EQ(e.Internal, c.internal);
        EXPECT_EQ(e.Method, c.method);
        EXPECT_EQ(e.External, c.external);
    }
    ExpectEntriesBackToBack(entries);
}

TEST_F(OutputArchiveTest, UpdateKeepsOrderAndReplacesChangedFiles) {
    Forecast(11, 2026);
    Archive();
    const auto first = ReadBack(ArchivePath());

    // The same run again, later: every page and chart has new data and a later time.
    const std::time_t later = std::time(nullptr) + 60;
    request_.Topic = 1;
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

// An entry is replaced when its file differs from it: a later time, another
// size or other bytes, whatever the clock did; otherwise it is copied byte for byte.
TEST_F(OutputArchiveTest, UpdateReplacesExactlyTheFilesThatDiffer) {
    struct Case {
        std::string name;
        std::string before, after;  // after: empty to remove the file
        int seconds;                // the new time, from the first one
        bool replaced;
    };
    const Case cases[] = {
        {"same_second_other_bytes.txt", "page one", "page two", 0, true},
        {"same_size_other_bytes.txt", "0123456789", "9876543210", 0, true},
        {"clock_set_back_other_size.txt", "old page", "new, longer page", -3600, true},
        {"clock_set_back_same_size.txt", "abcdef", "ghijkl", -3600, true},
        {"later_same_bytes.txt", "the same", "the same", 60, true},
        {"same_bytes_set_back.txt", "the same", "the same", -3600, false},
        {"untouched.txt", "the same", "the same", 0, false},
        {"within_two_seconds_same_bytes.txt", "the same", "the same", 1, false},
        {"removed.txt", "gone after the first archive", "", 0, false},
    };
    fs::remove_all(Output());
    fs::create_directory(Output());
    const std::time_t first = 1700000000;  // an even second: +1 stays in its MS-DOS step
    for (const Case& c : cases) {
        SetModificationTime(folder_.Write("Output/" + c.name, c.before), first);
    }
    Archive();
    const auto before = ReadBack(ArchivePath());
    for (const Case& c : cases) {
        const std::string path = Output() + c.name;
        if (c.after.empty()) {
            fs::remove(path);
        } else {
            SetModificationTime(folder_.Write("Output/" + c.name, c.after), first + c.seconds);
        }
    }
    Archive();
    const auto after = ReadBack(ArchivePath());
    ASSERT_EQ(Names(after), Names(before));
    const std::map<std::string, EntryFields> old(before.begin(), before.end());
    const std::map<std::string, EntryFields> now(after.begin(), after.end());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(now.at(c.name).Stored != old.at(c.name).Stored, c.replaced);
        if (!c.after.empty()) {
            // The entry holds what is on disk.
            EXPECT_EQ(now.at(c.name).Crc, crc32(0, reinterpret_cast<const Bytef*>(c.after.data()),
                                                static_cast<uInt>(c.after.size())));
        }
        if (c.replaced) {  // with the file's time and sizes
            ExpectEntryOfFile(now.at(c.name), Output() + c.name);
        }
    }
}

// An entry another program wrote for a file that has not changed since is
// copied as it is, not written anew in this program's way.
TEST_F(OutputArchiveTest, UnchangedEntryOfAnotherProgramIsKept) {
    fs::remove_all(Output());
    fs::create_directory(Output());
    const std::time_t modified = 1700000000;
    SetModificationTime(folder_.Write("Output/kept.txt", "the same bytes"), modified);
    SetModificationTime(folder_.Write("Output/changed.txt", "other  bytes"), modified);
    // Python's zipfile marks its entries as made on Unix (system 3).
    const CommandResult python = RunCommand(
        "python3 -c \"import sys, time, zipfile\n"
        "t = time.localtime(" +
        std::to_string(modified) +
        ")[:6]\n"
        "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
        "    z.writestr(zipfile.ZipInfo('kept.txt', t), 'the same bytes')\n"
        "    z.writestr(zipfile.ZipInfo('changed.txt', t), 'other bytes!')\n\" '" +
        ArchivePath() + "'");
    ASSERT_EQ(python.ExitCode, 0) << python.Output;
    const auto before = ReadBack(ArchivePath());
    Archive();
    const auto after = ReadBack(ArchivePath());
    ASSERT_EQ(Names(after), (std::vector<std::string>{"kept.txt", "changed.txt"}));
    EXPECT_EQ(after[0].second.Stored, before[0].second.Stored);
    EXPECT_EQ(after[0].second.System, 3);
    EXPECT_EQ(after[1].second.System, 0);
    ExpectEntryOfFile(after[1].second, Output() + "changed.txt");
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
    // Links are not followed, and what is no regular file is no entry: a FIFO
    // would block a reader that waited for a writer.
    const std::string outside = folder_.Write("outside/secret.txt", "outside the folder");
    fs::create_symlink(outside, Output() + "link.txt");
    fs::create_symlink(folder_.Path() + "outside", Output() + "linked_folder");
    fs::create_symlink(folder_.Path() + "nowhere", Output() + "dangling.txt");
    ASSERT_EQ(mkfifo((Output() + "pipe.txt").c_str(), 0644), 0);
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

// A name that vanishes, or turns into a link or a FIFO, between the reading of
// its folder and the opening of the file is left out without a message.
TEST_F(OutputArchiveTest, NamesThatChangeAfterTheListingAreSkipped) {
    fs::remove_all(Output());
    folder_.Write("Output/stays.txt", "stays");
    folder_.Write("Output/removed.txt", "removed");
    folder_.Write("Output/to_link.txt", "becomes a link");
    folder_.Write("Output/to_fifo.txt", "becomes a FIFO");
    folder_.Write("Output/sub/in_removed_folder.txt", "its folder is removed");
    folder_.Write("Output/linked/in_linked_folder.txt", "its folder becomes a link");
    const std::string outside = folder_.Write("outside/secret.txt", "outside the folder");
    const auto change = [&](const std::string& listed) {
        if (listed != Output()) {
            return;
        }
        fs::remove(Output() + "removed.txt");
        fs::remove(Output() + "to_link.txt");
        fs::create_symlink(outside, Output() + "to_link.txt");
        fs::remove(Output() + "to_fifo.txt");
        mkfifo((Output() + "to_fifo.txt").c_str(), 0644);
        fs::remove_all(Output() + "sub");
        fs::remove_all(Output() + "linked");
        fs::create_symlink(folder_.Path() + "outside", Output() + "linked");
    };
    // In a child, so that an open that blocks on the FIFO ends the test instead of hanging it.
    const pid_t child = fork();
    if (child == 0) {
        alarm(20);
        const int descriptor = open(Output().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        std::vector<std::string> names;
        try {
            const std::vector<CollectedFile> files =
                CollectOutputFiles(OwnedDescriptor(descriptor), Output(), std::nullopt, change);
            for (const EncodedFile& file : PlanUpdate(files, nullptr).Encoded) {
                names.push_back(file.Source.Name);
            }
        } catch (const Error& error) {
            std::fprintf(stderr, "%s\n", error.what());
            _exit(3);
        }
        _exit(names == std::vector<std::string>{"stays.txt"} ? 0 : 4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: an error, 4: other files taken";
}

// Bytes that do not deflate, so that an entry stores them as they are and a
// search of the archive's bytes finds them.
std::string Incompressible(std::size_t length, std::uint32_t seed) {
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes += static_cast<char>(seed >> 24);
    }
    return bytes;
}

// Another process keeps swapping a file of the folder for a link to a file
// outside it while the archive is updated: nothing outside is read into the
// archive, nor written.
TEST_F(OutputArchiveTest, FileSwappedForALinkIsNeverFollowed) {
    fs::remove_all(Output());
    fs::create_directory(Output());
    const std::string secret = Incompressible(200, 7);
    const std::string outside = folder_.Write("outside/secret.bin", secret);
    chmod(outside.c_str(), 0600);
    const std::string staging = folder_.Path() + "staging/";
    fs::create_directory(staging);
    // Stopped and joined however the test ends.
    std::jthread swapper([&](const std::stop_token& stop) {
        for (int round = 0; !stop.stop_requested(); ++round) {
            // rename puts either over the name at once: it never vanishes.
            const std::string link = staging + "link";
            symlink(outside.c_str(), link.c_str());
            rename(link.c_str(), (Output() + "swapped.bin").c_str());
            const std::string file = staging + "file";
            std::ofstream(file, std::ios::binary) << Incompressible(100 + round % 50, round);
            rename(file.c_str(), (Output() + "swapped.bin").c_str());
        }
    });
    for (int run = 0; run < 200; ++run) {
        Archive();
        ASSERT_EQ(ReadWholeFile(ArchivePath()).find(secret), std::string::npos) << "run " << run;
    }
    swapper.request_stop();
    swapper.join();
    EXPECT_EQ(ReadWholeFile(outside), secret);
    struct stat info {};
    stat(outside.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// An archive name that is a link, a folder or a FIFO is refused with a message
// that names it and says what it is, and left as it is, as is whatever a link
// points to.
TEST_F(OutputArchiveTest, ArchiveThatIsNoRegularFileIsRefused) {
    fs::remove_all(Output());
    fs::create_directory(Output());
    folder_.Write("Output/page.html", "a page");
    // A good archive of another folder, for a link to point to.
    TemporaryFolder other;
    other.Write("Output/theirs.txt", "another person's file");
    ArchiveOutput(Folders::ForWorkingFolder(other.Path()));
    const std::string theirs = other.Path() + "Output/Horoscop.zip";
    chmod(theirs.c_str(), 0600);
    const std::string theirBytes = ReadWholeFile(theirs);

    struct Case {
        std::string what;
        std::function<void()> make;
        std::string kind;
    };
    const Case cases[] = {
        {"link to an archive", [&] { fs::create_symlink(theirs, ArchivePath()); },
         "символическая ссылка"},
        {"dangling link",
         [&] { fs::create_symlink(folder_.Path() + "nowhere.zip", ArchivePath()); },
         "символическая ссылка"},
        {"folder", [&] { fs::create_directory(ArchivePath()); }, "Is a directory"},
        {"FIFO", [&] { mkfifo(ArchivePath().c_str(), 0644); }, "специальный файл"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(ArchivePath());
        c.make();
        const fs::file_status before = fs::symlink_status(ArchivePath());
        try {
            Archive();
            ADD_FAILURE() << "not refused";
        } catch (const InputOutputError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"" + ArchivePath() + "\""), std::string::npos) << message;
            EXPECT_NE(message.find(c.kind), std::string::npos) << message;
        }
        EXPECT_EQ(fs::symlink_status(ArchivePath()).type(), before.type());
        if (fs::is_symlink(before)) {
            EXPECT_NE(fs::read_symlink(ArchivePath())
                          .string()
                          .find(c.what == "dangling link" ? "nowhere.zip" : theirs),
                      std::string::npos);
        }
        EXPECT_EQ(ReadWholeFile(theirs), theirBytes);
        struct stat info {};
        stat(theirs.c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        EXPECT_FALSE(fs::exists(folder_.Path() + "nowhere.zip"));
        for (const fs::directory_entry& entry : fs::directory_iterator(Output())) {
            EXPECT_FALSE(IsTemporaryFileName(entry.path().filename().string())) << entry.path();
        }
    }
}

// From 65,535 entries on, the archive carries the ZIP64 end records; the
// independent readers and the program's own next update read it.
TEST_F(OutputArchiveTest, SeventyThousandEntriesTakeZip64) {
    fs::remove_all(Output());
    fs::create_directory(Output());
    constexpr int Count = 70000;
    for (int i = 0; i < Count; ++i) {
        const std::string path = Output() + "f" + std::to_string(i) + ".txt";
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(file, 0);
        const std::string text = std::to_string(i);
        ASSERT_EQ(write(file, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(file);
    }
    Archive();
    const std::string bytes = ReadWholeFile(ArchivePath());
    ASSERT_GE(bytes.size(), 22u);
    const std::string end = bytes.substr(bytes.size() - 22);
    EXPECT_EQ(end.substr(0, 4), std::string("PK\x05\x06"));
    EXPECT_EQ(end.substr(8, 4), std::string("\xFF\xFF\xFF\xFF")) << "counts in the ZIP64 record";
    EXPECT_NE(bytes.rfind(std::string("PK\x06\x06")), std::string::npos) << "ZIP64 end record";
    EXPECT_NE(bytes.rfind(std::string("PK\x06\x07")), std::string::npos) << "ZIP64 locator";

    // The program's own next update reads it: one changed file is replaced.
    SetModificationTime(folder_.Write("Output/f12345.txt", "changed"), std::time(nullptr) + 60);
    Archive();
    const auto entries = ReadBack(ArchivePath());
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(Count));
    const std::map<std::string, EntryFields> byName(entries.begin(), entries.end());
    ExpectEntryOfFile(byName.at("f12345.txt"), Output() + "f12345.txt");
    ExpectEntryOfFile(byName.at("f69999.txt"), Output() + "f69999.txt");
    EXPECT_EQ(RunCommand("unzip -p '" + ArchivePath() + "' f12345.txt").Output, "changed");
}

// The new archive is on the disk before it takes the archive's name: a power
// cut just after the rename finds the new archive whole, not an empty file.
TEST_F(OutputArchiveTest, ArchiveIsFlushedBeforeItsRename) {
    const std::string log = folder_.Path() + "calls.log";
    const pid_t child = fork();
    if (child == 0) {
        setenv("LD_PRELOAD", NEVALORUM_RECORD_SYNC_LIBRARY, 1);
        setenv("NEVALORUM_CALL_LOG", log.c_str(), 1);
        // The sanitizer runtime need not come first when a library is preloaded.
        setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
        const char* tool = NEVALORUM_FORECAST_TOOL;
        execl(tool, tool, "forecast", "--name", "Иван", "--birth", "5.3.1990", "--topic", "love",
              "--today", "1.9.2026", "--workdir", folder_.Path().c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    std::vector<std::string> synced;  // identities flushed so far
    bool renamed = false;
    std::istringstream lines(ReadWholeFile(log));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string call, identity, name;
        fields >> call >> identity >> name;
        if (call == "sync") {
            synced.push_back(identity);
        } else if (call == "rename" && fs::path(name).filename() == "Horoscop.zip") {
            renamed = true;
            EXPECT_NE(std::find(synced.begin(), synced.end(), identity), synced.end())
                << "the archive " << identity << " was renamed before it was flushed";
        }
    }
    EXPECT_TRUE(renamed) << "no rename to the archive's name";
}

// An entry whose sizes stand in its ZIP64 block (as another program may write
// them for any file) is copied with its real sizes and no more data than it has.
TEST_F(OutputArchiveTest, EntryWithZip64SizesIsCopiedWhole) {
    fs::remove_all(Output());
    fs::create_directory(Output());
    folder_.Write("Output/page.html", "a page");
    std::string bytes;
    const auto put = [&bytes](std::uint64_t value, int count) {
        for (int i = 0; i < count; ++i) {
            bytes += static_cast<char>(value >> (8 * i) & 0xFF);
        }
    };
    const std::string name = "old.txt";
    const std::string data = "hello";
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), 5);
    const auto sizesAndName = [&] {
        put(crc, 4);
        put(0xFFFFFFFF, 4);  // compressed size: in the ZIP64 block
        put(0xFFFFFFFF, 4);  // size: in the ZIP64 block
        put(name.size(), 2);
        put(20, 2);  // extra field
    };
    const auto zip64Block = [&] {
        bytes += name;
        put(0x0001, 2);
        put(16, 2);
        put(data.size(), 8);
        put(data.size(), 8);
    };
    put(0x04034b50, 4);  // local header
    put(45, 2);
    put(0, 2);
    put(0, 2);  // stored
    put(0x5A210000, 4);
    sizesAndName();
    zip64Block();
    bytes += data;
    const std::size_t directory = bytes.size();
    put(0x02014b50, 4);  // central header
    put(45, 2);
    put(45, 2);
    put(0, 2);
    put(0, 2);
    put(0x5A210000, 4);
    sizesAndName();
    put(0, 2);  // comment
    put(0, 2);  // disk
    put(1, 2);  // text
    put(0x20, 4);
    put(0, 4);  // offset
    zip64Block();
    const std::size_t directorySize = bytes.size() - directory;
    put(0x06054b50, 4);
    put(0, 4);
    put(1, 2);
    put(1, 2);
    put(directorySize, 4);
    put(directory, 4);
    put(0, 2);
    WriteFileAtomically(ArchivePath(), bytes);

    Archive();
    const auto entries = ReadBack(ArchivePath());
    ASSERT_EQ(Names(entries), (std::vector<std::string>{"old.txt", "page.html"}));
    EXPECT_EQ(entries[0].second.Size, 5u);
    EXPECT_EQ(entries[0].second.CompressedSize, 5u);
    EXPECT_EQ(entries[0].second.Crc, crc);
    EXPECT_EQ(entries[1].second.Offset, entries[0].second.End) << "nothing copied after the data";
    EXPECT_EQ(RunCommand("unzip -p '" + ArchivePath() + "' old.txt").Output, data);
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
