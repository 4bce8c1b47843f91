#pragma once
// The files of the output folder as the archive takes them: listed through
// descriptors of the folders, never following a symbolic link, and each opened
// without following one and asked through its descriptor what it is, so that a
// name swapped for a link, a FIFO or a folder between the listing and the
// reading is never read.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/files.h"

namespace nevalorum {

// What tells one file on disk from another, whatever its path is called.
struct FileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& info);

// A folder of the output folder, open for looking up its files by name.
struct OpenFolder {
    OwnedDescriptor Descriptor;
    std::string Path;  // ends with "/", for messages
};

// A regular file found in the output folder; what it is now is asked when it
// is opened.
struct CollectedFile {
    std::shared_ptr<const OpenFolder> Folder;
    std::string Name;  // UTF-8, without folder

    std::string Path() const { return Folder->Path + Name; }
};

// A collected file opened for reading, and what its descriptor says of it now.
struct OpenedOutputFile {
    OwnedDescriptor Descriptor;
    struct stat Info {};
};

// Opens the file without following a link and without blocking on a FIFO.
// None when it is gone or is no longer a regular file (a link, a folder, a
// FIFO ...); throws FileError when it is there but cannot be opened.
std::optional<OpenedOutputFile> OpenCollectedFile(const CollectedFile& file);

// Called with a folder's path once its names are read and before any of them
// is looked at; the tests remove names there to see them vanish.
using FolderListedHook = std::function<void(const std::string& folder)>;

// The regular files under the output folder (open as outputFolder, its path
// outputPath ending with "/"): those of a folder in name order, then those of
// its subfolders in name order. Left out: the archive (by its identity), the
// program's temporary files, symbolic links, which are not followed, and
// anything else that is no regular file; a name that vanishes while the folder
// is read is skipped. Of two files with one name (ignoring letter case), the
// first. Throws FileError naming the folder that cannot be read, with the
// system's reason.
std::vector<CollectedFile> CollectOutputFiles(OwnedDescriptor outputFolder,
                                              const std::string& outputPath,
                                              const std::optional<FileIdentity>& archive,
                                              const FolderListedHook& listed = {});

}  // namespace nevalorum
