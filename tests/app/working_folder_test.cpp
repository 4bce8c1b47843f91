#include "app/working_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::TemporaryFolder;
namespace fs = std::filesystem;

TEST(InitWorkingFolder, AddsWhatIsMissingAndOverwritesNothing) {
    TemporaryFolder folder;
    folder.Write("data/System/a.dat", "installed a");
    folder.Write("data/System/b.dat", "installed b");
    folder.Write("data/Output/mark.gif", "mark");
    folder.Write("work/System/a.dat", "the user's own a");
    const std::vector<std::string> created =
        InitWorkingFolder(folder.Path() + "data", folder.Path() + "work");
    EXPECT_EQ(ReadWholeFile(folder.Path() + "work/System/a.dat"), "the user's own a");
    EXPECT_EQ(ReadWholeFile(folder.Path() + "work/System/b.dat"), "installed b");
    EXPECT_EQ(ReadWholeFile(folder.Path() + "work/Output/mark.gif"), "mark");
    EXPECT_EQ(created.size(), 3u);  // Output/, b.dat, mark.gif
    EXPECT_TRUE(InitWorkingFolder(folder.Path() + "data", folder.Path() + "work").empty());
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
