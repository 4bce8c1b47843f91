#include "common/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

// A file read in pieces: each ends at a line end but the last, together they
// are the file, a line longer than the first buffer is whole, the reading
// stops when asked, and no more than the bound is ever read.
TEST(OpenedFile, LinePiecesMakeUpTheFileWithinItsBound) {
    testing::TemporaryFolder folder;
    const std::string longLine(100000, 'x');
    struct Case {
        std::string text;
        std::uintmax_t maxBytes;
        bool refused;
    };
    const Case cases[] = {
        {"", 100, false},
        {"no line end", 100, false},
        {"1\r\n2\r\n3", 100, false},
        {"a\rb\nc\r\n\n", 100, false},
        {"1\n" + longLine + "\n2\n" + longLine, 300000, false},
        {std::string(5000, '7') + "\n", 4000, true},  // larger than the bound
    };
    for (const Case& c : cases) {
        folder.Write("pieces", c.text);
        const OpenedFile file = OpenedFile::Open(folder.Path() + "pieces");
        std::string joined;
        std::vector<std::string> pieces;
        const auto read = [&] {
            file.ReadLinePieces(
                [&](std::string_view piece) {
                    pieces.emplace_back(piece);
                    joined += piece;
                    return true;
                },
                c.maxBytes);
        };
        if (c.refused) {
            EXPECT_THROW(read(), InputOutputError) << c.text.size();
            continue;
        }
        read();
        EXPECT_EQ(joined, c.text);
        for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
            EXPECT_TRUE(pieces[i].ends_with('\n') || pieces[i].ends_with('\r')) << i;
        }
    }
    // Asked to stop, the reading stops at the piece it is in.
    folder.Write("pieces", std::string(30000, '\n'));
    int calls = 0;
    OpenedFile::Open(folder.Path() + "pieces").ReadLinePieces([&](std::string_view) {
        ++calls;
        return false;
    });
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace nevalorum
