// The command-line forecast as whole processes that meet in one working
// folder: killed, failed or paused at a chosen rename through a preloaded
// library, and run beside or after one another. Whatever happens, every
// month's chart and page on disk belong to the same run, the archive's entries
// equal the files, and no temporary file stays.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <vector>

#include "common/files.h"
#include "tests/support/shell.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

struct Person {
    const char* Name;
    const char* Birth;
    const char* Topic;
};
const Person Anna{"Анна", "12.7.1985", "finance"};
const Person Boris{"Борис", "3.11.1970", "love"};
const Person Vera{"Вера", "30.1.1999", "health"};

// What to do to the tool at one of its renames: see tests/support/rename_shim.c.
struct AtRename {
    const char* Action = nullptr;  // "KILL", "FAIL" or "PAUSE"
    int Rename = 0;
};

class RunningTool {
  public:
    // Starts a forecast for the person from today's month in the folder; its
    // standard error goes to errors.
    RunningTool(const std::string& folder, const Person& person, const char* today,
                const std::string& errors, AtRename at = {}, const char* zone = nullptr) {
        pid_ = fork();
        if (pid_ == 0) {
            if (at.Action != nullptr) {
                setenv("LD_PRELOAD", NEVALORUM_RENAME_SHIM, 1);
                setenv((std::string("NEVALORUM_") + at.Action + "_AT_RENAME").c_str(),
                       std::to_string(at.Rename).c_str(), 1);
                setenv("NEVALORUM_PAUSE_FOLDER", fs::path(errors).parent_path().c_str(), 1);
                // The sanitizer runtime need not come first when a library is preloaded.
                setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
            }
            if (zone != nullptr) {
                setenv("TZ", zone, 1);
            }
            const int errorFile = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(errorFile, 2);
            const int nothing = open("/dev/null", O_WRONLY);
            dup2(nothing, 1);
            const char* tool = NEVALORUM_FORECAST_TOOL;
            execl(tool, tool, "forecast", "--name", person.Name, "--birth", person.Birth, "--topic",
                  person.Topic, "--today", today, "--workdir", folder.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    pid_t Pid() const { return pid_; }

    // The wait status.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        return status;
    }

  private:
    pid_t pid_;
};

bool ExitedWith(int status, int code) {
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

class MeetingRunsTest : public ::testing::Test {
  protected:
    void SetUp() override { work_ = Installed("work"); }

    // A new working folder laid out as an installation, under the test's folder.
    std::string Installed(const std::string& name) const {
        const std::string folder = scratch_.Path() + name + "/";
        fs::copy(testing::SourceDataFolder(), folder, fs::copy_options::recursive);
        return folder;
    }

    std::string Errors(const std::string& name) const { return scratch_.Path() + name; }

    int Run(const std::string& folder, const Person& person, const char* today, AtRename at = {},
            const char* zone = nullptr) {
        return RunningTool(folder, person, today, Errors("errors.txt"), at, zone).Wait();
    }

    // The pages and charts a run alone would write: from a folder of their own.
    std::map<std::string, std::string> Alone(const Person& person, const char* today) {
        const std::string folder = Installed("alone-" + std::to_string(++alone_));
        EXPECT_TRUE(ExitedWith(Run(folder, person, today), 0));
        return MonthFiles(folder);
    }

    static std::map<std::string, std::string> MonthFiles(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(folder + "Output")) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("Hor_") && !IsTemporaryFileName(name)) {
                files[name] = ReadWholeFile(entry.path().string());
            }
        }
        return files;
    }

    // Every entry of the folder's archive holds its file's bytes, and every
    // file of Output/ has its entry; no temporary file is left anywhere.
    static void ExpectArchiveEqualsFiles(const std::string& folder) {
        const std::string archive = folder + "Output/Horoscop.zip";
        for (const auto& entry : fs::directory_iterator(folder + "Output")) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(IsTemporaryFileName(name)) << name;
            if (name == "Horoscop.zip") {
                continue;
            }
            const testing::CommandResult unpacked =
                testing::RunCommand("unzip -p '" + archive + "' '" + name + "' 2>/dev/null");
            EXPECT_TRUE(unpacked.Output == ReadWholeFile(entry.path().string()))
                << name << ": the archive holds other bytes than the file";
        }
        for (const auto& entry : fs::directory_iterator(folder + "System")) {
            EXPECT_FALSE(IsTemporaryFileName(entry.path().filename().string())) << entry.path();
        }
    }

    testing::TemporaryFolder scratch_;
    std::string work_;
    int alone_ = 0;
};

// Whether the process has the folder open: a run that waits for the folder's
// lock holds the folder itself open.
bool HoldsFolderOpen(pid_t pid, const std::string& folder) {
    const fs::path wanted = fs::canonical(folder);
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        if (fs::read_symlink(entry.path(), error) == wanted) {
            return true;
        }
    }
    return false;
}

// The first run is held between the chart and the page of its third month
// while the second starts; the second waits for the folder, then writes all of
// its months: the six pages and charts are its own, and so is the archive.
TEST_F(MeetingRunsTest, SecondRunWaitsForTheFirst) {
    ASSERT_EQ(mkfifo((scratch_.Path() + "paused").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((scratch_.Path() + "resume").c_str(), 0600), 0);
    RunningTool first(work_, Anna, "1.9.2026", Errors("first.txt"), {"PAUSE", 7});
    // Returns once the first run stands at its seventh rename: its scratch
    // picture, two months and the third month's chart are in place.
    close(open((scratch_.Path() + "paused").c_str(), O_RDONLY));
    RunningTool second(work_, Boris, "1.9.2026", Errors("second.txt"));
    while (!HoldsFolderOpen(second.Pid(), work_)) {
        ASSERT_EQ(waitpid(second.Pid(), nullptr, WNOHANG), 0) << "the second run did not wait";
        sched_yield();
    }
    close(open((scratch_.Path() + "resume").c_str(), O_WRONLY));
    EXPECT_TRUE(ExitedWith(first.Wait(), 0)) << ReadWholeFile(Errors("first.txt"));
    EXPECT_TRUE(ExitedWith(second.Wait(), 0)) << ReadWholeFile(Errors("second.txt"));
    EXPECT_TRUE(MonthFiles(work_) == Alone(Boris, "1.9.2026"))
        << "the months on disk are not all the second run's";
    ExpectArchiveEqualsFiles(work_);
}

// Runs one right after another, and under time zones whose clocks stand a day
// apart: the archive holds the last run's files however close or however
// ordered their times are.
TEST_F(MeetingRunsTest, ArchiveHoldsTheLastRunWhateverTheClock) {
    struct Case {
        const char* name;
        const char* firstZone;
        const char* secondZone;
    };
    const Case cases[] = {
        {"back to back", nullptr, nullptr},
        {"the second run in an earlier zone", "EAST-14", "WEST+11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ExitedWith(Run(work_, Anna, "1.9.2026", {}, c.firstZone), 0));
        ASSERT_TRUE(ExitedWith(Run(work_, Boris, "1.9.2026", {}, c.secondZone), 0));
        ExpectArchiveEqualsFiles(work_);
        ASSERT_TRUE(ExitedWith(Run(work_, Anna, "1.9.2026", {}, c.firstZone), 0));
        ExpectArchiveEqualsFiles(work_);
    }
}

// Killed between the chart and the page of its third month, a run leaves a
// new chart beside an old page; the next run, for other months, completes the
// pair before anything else.
TEST_F(MeetingRunsTest, PairCutByAKillIsCompletedByTheNextRun) {
    ASSERT_TRUE(ExitedWith(Run(work_, Vera, "1.9.2026"), 0));
    const int killed = Run(work_, Anna, "1.9.2026", {"KILL", 6});
    ASSERT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL) << killed;
    ASSERT_TRUE(ExitedWith(Run(work_, Boris, "1.1.2027"), 0))
        << ReadWholeFile(Errors("errors.txt"));
    const std::map<std::string, std::string> anna = Alone(Anna, "1.9.2026");
    const std::map<std::string, std::string> disk = MonthFiles(work_);
    for (const char* name : {"Hor_09_2026", "Hor_10_2026", "Hor_11_2026"}) {
        for (const char* extension : {".html", ".jpeg"}) {
            const std::string file = std::string(name) + extension;
            EXPECT_TRUE(disk.at(file) == anna.at(file)) << file << " is not the killed run's";
        }
    }
    EXPECT_TRUE(disk.at("Hor_12_2026.html") != anna.at("Hor_12_2026.html"));
    ExpectArchiveEqualsFiles(work_);
}

// The second rename of a pair fails: the run stops with the reason, and the
// month's chart and page are both the earlier run's again.
TEST_F(MeetingRunsTest, FailedSecondRenameBringsBothOldFilesBack) {
    ASSERT_TRUE(ExitedWith(Run(work_, Vera, "1.9.2026"), 0));
    const std::map<std::string, std::string> before = MonthFiles(work_);
    ASSERT_TRUE(ExitedWith(Run(work_, Anna, "1.9.2026", {"FAIL", 6}), 1));
    EXPECT_EQ(ReadWholeFile(Errors("errors.txt")),
              "Cannot create file \"" + work_ + "Output/Hor_11_2026.html\". Input/output error\n");
    const std::map<std::string, std::string> after = MonthFiles(work_);
    for (const char* file : {"Hor_11_2026.html", "Hor_11_2026.jpeg", "Hor_12_2026.html"}) {
        EXPECT_TRUE(after.at(file) == before.at(file)) << file << " is not the earlier run's";
    }
    EXPECT_TRUE(after.at("Hor_10_2026.jpeg") != before.at("Hor_10_2026.jpeg"));
    for (const auto& entry : fs::directory_iterator(work_ + "Output")) {
        EXPECT_FALSE(IsTemporaryFileName(entry.path().filename().string())) << entry.path();
    }
}

// Killed at each of its renames in turn, a run never leaves a page cut short,
// and the next run leaves no temporary file behind and archives none.
TEST_F(MeetingRunsTest, KilledAtEachRenameLeavesNothingHalfDone) {
    ASSERT_TRUE(ExitedWith(Run(work_, Vera, "1.9.2026"), 0));
    const std::string complete = ReadWholeFile(work_ + "Output/Hor_09_2026.html");
    int killedRuns = 0;
    for (int killAt = 1; killAt < 100; ++killAt) {
        const int status = Run(work_, Vera, "1.9.2026", {"KILL", killAt});
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            break;  // the run has fewer renames than that
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        ++killedRuns;
        SCOPED_TRACE("killed before rename " + std::to_string(killAt));
        EXPECT_EQ(ReadWholeFile(work_ + "Output/Hor_09_2026.html"), complete);
        ASSERT_TRUE(ExitedWith(Run(work_, Vera, "1.9.2026"), 0));
        ExpectArchiveEqualsFiles(work_);
    }
    EXPECT_GT(killedRuns, 12);  // every month's chart and page, and the archive
}

}  // namespace
}  // namespace nevalorum
