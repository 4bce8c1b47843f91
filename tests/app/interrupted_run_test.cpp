// The command-line forecast killed just before each of its renames: the next
// run leaves no temporary file and archives none, and the files are complete.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/files.h"
#include "tests/support/shell.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

// Runs the forecast tool in the folder; with killAt > 0 it is killed just
// before its killAt-th rename. Returns the wait status.
int RunTool(const std::string& folder, int killAt) {
    const pid_t child = fork();
    if (child == 0) {
        if (killAt > 0) {
            setenv("LD_PRELOAD", NEVALORUM_KILL_AT_RENAME_LIBRARY, 1);
            setenv("NEVALORUM_KILL_AT_RENAME", std::to_string(killAt).c_str(), 1);
            // The sanitizer runtime need not come first when a library is preloaded.
            setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
        }
        const char* tool = NEVALORUM_FORECAST_TOOL;
        execl(tool, tool, "forecast", "--name", "Иван", "--birth", "5.3.1990", "--topic", "love",
              "--today", "1.9.2026", "--workdir", folder.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

std::vector<std::string> TemporaryFiles(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (IsTemporaryFileName(entry.path().filename().string())) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

std::string ArchiveListing(const std::string& archive) {
    return testing::RunCommand("unzip -Z1 '" + archive + "'").Output;
}

TEST(InterruptedRun, KilledAtEachRenameLeavesNoTemporaryFileBehind) {
    testing::TemporaryFolder folder;
    fs::copy(testing::SourceDataFolder(), folder.Path(), fs::copy_options::recursive);
    ASSERT_EQ(RunTool(folder.Path(), 0), 0);  // an earlier good run
    const std::string complete = ReadWholeFile(folder.Path() + "Output/Hor_09_2026.html");
    int killedRuns = 0;
    for (int killAt = 1; killAt < 100; ++killAt) {
        const int status = RunTool(folder.Path(), killAt);
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            break;  // the run has fewer renames than that
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        ++killedRuns;
        SCOPED_TRACE("killed before rename " + std::to_string(killAt));
        // Every page is whole, old or new, however the run was stopped.
        EXPECT_EQ(ReadWholeFile(folder.Path() + "Output/Hor_09_2026.html"), complete);
        ASSERT_EQ(RunTool(folder.Path(), 0), 0);
        EXPECT_EQ(TemporaryFiles(folder.Path()), std::vector<std::string>{});
        const std::string listing = ArchiveListing(folder.Path() + "Output/Horoscop.zip");
        EXPECT_EQ(listing.find(TemporaryFileMarker), std::string::npos) << listing;
        EXPECT_NE(listing.find("Hor_02_2027.jpeg"), std::string::npos) << listing;
    }
    EXPECT_GT(killedRuns, 12);  // every month's chart and page, and the archive
}

}  // namespace
}  // namespace nevalorum
