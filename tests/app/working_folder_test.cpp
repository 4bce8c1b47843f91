#include "app/working_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "common/files.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::TemporaryFolder;
namespace fs = std::filesystem;

// A file of the working folder after init, by what was there before.
TEST(InitWorkingFolder, AddsWhatIsMissingRepairsWhatIsCutShortOverwritesNothingElse) {
    struct Case {
        const char* name;
        const char* before;  // nullptr: missing
        const char* after;
    };
    const Case cases[] = {
        {"missing.dat", nullptr, "installed data"},
        {"own.dat", "the user's own, longer than the installed",
         "the user's own, longer than the installed"},
        {"shorter.dat", "edited", "edited"},
        {"cut.dat", "installed d", "installed data"},
        {"empty.dat", "", "installed data"},
        {"same.dat", "installed data", "installed data"},
    };
    TemporaryFolder folder;
    std::vector<std::string> created{folder.Path() + "work/Output/",
                                     folder.Path() + "work/Output/mark.gif"};
    std::vector<std::string> repaired;
    folder.Write("data/Output/mark.gif", "mark");
    for (const Case& c : cases) {
        folder.Write(std::string("data/System/") + c.name, "installed data");
        if (c.before != nullptr) {
            folder.Write(std::string("work/System/") + c.name, c.before);
        }
    }
    // New files get the mode the umask allows, never more.
    const mode_t umaskBefore = umask(077);
    const InitResult result = InitWorkingFolder(folder.Path() + "data", folder.Path() + "work");
    umask(umaskBefore);
    for (const Case& c : cases) {
        const std::string path = folder.Path() + "work/System/" + c.name;
        EXPECT_EQ(ReadWholeFile(path), c.after) << c.name;
        if (c.before == nullptr) {
            created.push_back(path);
            EXPECT_EQ(fs::status(path).permissions(),
                      fs::perms::owner_read | fs::perms::owner_write);
        } else if (std::string(c.before) != c.after) {
            repaired.push_back(path);
        }
    }
    std::vector<std::string> gotCreated = result.Created;
    std::sort(gotCreated.begin(), gotCreated.end());
    std::sort(created.begin(), created.end());
    EXPECT_EQ(gotCreated, created);
    std::vector<std::string> gotRepaired = result.Repaired;
    std::sort(gotRepaired.begin(), gotRepaired.end());
    std::sort(repaired.begin(), repaired.end());
    EXPECT_EQ(gotRepaired, repaired);
    const InitResult again = InitWorkingFolder(folder.Path() + "data", folder.Path() + "work");
    EXPECT_TRUE(again.Created.empty() && again.Repaired.empty());
}

TEST(ChooseWorkingFolder, CurrentFolderWithSystemElseTheUsersOwn) {
    TemporaryFolder folder;
    folder.Write("data/System/pluto.sys", "1\r\n");
    folder.Write("current/System/pluto.sys", "2\r\n");
    fs::create_directories(folder.Path() + "elsewhere");
    const std::string user = folder.Path() + "user/nevalorum-pelinor";
    EXPECT_EQ(ChooseWorkingFolder(folder.Path() + "current", user, folder.Path() + "data"),
              folder.Path() + "current");
    EXPECT_FALSE(fs::exists(user));
    EXPECT_EQ(ChooseWorkingFolder(folder.Path() + "elsewhere", user, folder.Path() + "data"), user);
    EXPECT_EQ(ReadWholeFile(user + "/System/pluto.sys"), "1\r\n");
}

}  // namespace
}  // namespace nevalorum
