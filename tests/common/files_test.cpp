#include "common/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

ino_t Inode(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_ino;
}

// The scratch picture is written over its old bytes when it has their size;
// anything else gets a new file, and whatever the old name pointed to is left
// alone.
TEST(OverwriteScratchFile, InPlaceOnlyOverAPlainFileOfTheSameSize) {
    struct Case {
        const char* name;
        const char* before;  // nullptr: no file
        enum { Plain, Link, SecondName } kind;
        bool inPlace;
    };
    const Case cases[] = {
        {"no file yet", nullptr, Case::Plain, false},
        {"same size", "old picture", Case::Plain, true},
        {"shorter", "old", Case::Plain, false},
        {"longer", "the old picture was longer", Case::Plain, false},
        {"symbolic link", "old picture", Case::Link, false},
        {"second name", "old picture", Case::SecondName, false},
    };
    for (const Case& c : cases) {
        testing::TemporaryFolder folder;
        const std::string path = folder.Path() + "tmp.bmp";
        const std::string other = folder.Path() + "other.bmp";
        if (c.before != nullptr) {
            if (c.kind == Case::Plain) {
                folder.Write("tmp.bmp", c.before);
            } else {
                folder.Write("other.bmp", c.before);
                if (c.kind == Case::Link) {
                    fs::create_symlink(other, path);
                } else {
                    fs::create_hard_link(other, path);
                }
            }
        }
        const ino_t before = c.before != nullptr ? Inode(path) : 0;
        OverwriteScratchFile(path, "new picture");
        EXPECT_EQ(ReadWholeFile(path), "new picture") << c.name;
        EXPECT_EQ(Inode(path) == before, c.inPlace) << c.name;
        EXPECT_FALSE(fs::is_symlink(path)) << c.name;
        if (c.kind != Case::Plain) {
            EXPECT_EQ(ReadWholeFile(other), c.before) << c.name;
        }
        // No temporary file is left beside it.
        int files = 0;
        for (const auto& entry : fs::directory_iterator(folder.Path())) {
            files += !IsTemporaryFileName(entry.path().filename().string());
            EXPECT_FALSE(IsTemporaryFileName(entry.path().filename().string())) << c.name;
        }
        EXPECT_EQ(files, c.kind == Case::Plain ? 1 : 2) << c.name;
    }
}

TEST(OverwriteScratchFile, UnwritableFolderIsAnError) {
    testing::TemporaryFolder folder;
    const std::string path = folder.Path() + "missing/tmp.bmp";
    try {
        OverwriteScratchFile(path, "new picture");
        ADD_FAILURE() << "no error";
    } catch (const InputOutputError& error) {
        EXPECT_EQ(error.what(), "Cannot create file \"" + path + "\". No such file or directory");
    }
}

}  // namespace
}  // namespace nevalorum
