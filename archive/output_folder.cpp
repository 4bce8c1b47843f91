#include "archive/output_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_set>

#include "archive/archive_entry.h"
#include "common/errors.h"
#include "common/files.h"

namespace nevalorum {

FileIdentity IdentityOf(const struct stat& info) {
    return {.Device = info.st_dev, .Inode = info.st_ino};
}

namespace {

// Errors of an open or a look-up that say the name no longer stands for what
// the listing found: gone, or now a link or another kind of file.
bool NoLongerThere(int error) {
    return error == ENOENT || error == ELOOP || error == ENOTDIR || error == ENXIO;
}

struct Listing {
    std::vector<std::string> Files;
    std::vector<std::string> Folders;
};

// The folder's names, split into regular files and folders, each in name
// order; the archive is left out. The kind of a name comes with the listing
// where the file system gives it, so that a file is looked at only once, when
// it is opened.
Listing ListFolder(const OpenFolder& folder, const std::optional<FileIdentity>& archive,
                   const FolderListedHook& listed) {
    const int copy = fcntl(folder.Descriptor.Get(), F_DUPFD_CLOEXEC, 0);
    DIR* directory = copy >= 0 ? fdopendir(copy) : nullptr;
    if (directory == nullptr) {
        const int error = errno;
        if (copy >= 0) {
            close(copy);
        }
        throw FileError(folder.Path, error);
    }
    struct Name {
        std::string Text;
        unsigned char Type;
        ino_t Inode;
    };
    std::vector<Name> names;
    errno = 0;
    while (const dirent* entry = readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back({entry->d_name, entry->d_type, entry->d_ino});
        }
        errno = 0;
    }
    const int readError = errno;
    closedir(directory);
    if (readError != 0) {
        throw FileError(folder.Path, readError);
    }
    if (listed) {
        listed(folder.Path);
    }

    Listing listing;
    for (Name& name : names) {
        // Only a name of unknown kind, or one with the archive's inode, is looked up.
        unsigned char type = name.Type;
        const bool maybeArchive = archive && name.Inode == archive->Inode;
        if (type == DT_UNKNOWN || (type == DT_REG && maybeArchive)) {
            struct stat info {};
            if (fstatat(folder.Descriptor.Get(), name.Text.c_str(), &info, AT_SYMLINK_NOFOLLOW) !=
                0) {
                if (errno == ENOENT) {
                    continue;  // removed since the folder was read
                }
                throw FileError(folder.Path + name.Text, errno);
            }
            if (IdentityOf(info) == archive) {
                continue;
            }
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            listing.Folders.push_back(std::move(name.Text));
        } else if (type == DT_REG) {
            listing.Files.push_back(std::move(name.Text));
        }
        // Links, FIFOs, sockets and devices are no files of the archive.
    }
    std::sort(listing.Files.begin(), listing.Files.end());
    std::sort(listing.Folders.begin(), listing.Folders.end());
    return listing;
}

struct Collector {
    std::optional<FileIdentity> Archive;
    const FolderListedHook& Listed;
    std::unordered_set<std::u32string> Taken;
    std::vector<CollectedFile> Files;

    void Collect(const std::shared_ptr<const OpenFolder>& folder) {
        Listing listing = ListFolder(*folder, Archive, Listed);
        for (std::string& name : listing.Files) {
            if (!IsTemporaryFileName(name) && Taken.insert(NameIgnoringCase(name)).second) {
                Files.push_back({.Folder = folder, .Name = std::move(name)});
            }
        }
        for (const std::string& name : listing.Folders) {
            const int descriptor = openat(folder->Descriptor.Get(), name.c_str(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (descriptor < 0) {
                if (NoLongerThere(errno)) {
                    continue;  // removed, or swapped for a link, since the folder was read
                }
                throw FileError(folder->Path + name + "/", errno);
            }
            Collect(std::make_shared<const OpenFolder>(OpenFolder{
                .Descriptor = OwnedDescriptor(descriptor), .Path = folder->Path + name + "/"}));
        }
    }
};

}  // namespace

std::optional<OpenedOutputFile> OpenCollectedFile(const CollectedFile& file) {
    OpenedOutputFile opened;
    opened.Descriptor = OwnedDescriptor(openat(file.Folder->Descriptor.Get(), file.Name.c_str(),
                                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (opened.Descriptor.Get() < 0) {
        if (NoLongerThere(errno)) {
            return std::nullopt;
        }
        throw FileError(file.Path(), errno);
    }
    if (fstat(opened.Descriptor.Get(), &opened.Info) != 0) {
        throw FileError(file.Path(), errno);
    }
    if (!S_ISREG(opened.Info.st_mode)) {
        return std::nullopt;
    }
    return opened;
}

std::vector<CollectedFile> CollectOutputFiles(OwnedDescriptor outputFolder,
                                              const std::string& outputPath,
                                              const std::optional<FileIdentity>& archive,
                                              const FolderListedHook& listed) {
    Collector collector{.Archive = archive, .Listed = listed, .Taken = {}, .Files = {}};
    collector.Collect(std::make_shared<const OpenFolder>(
        OpenFolder{.Descriptor = std::move(outputFolder), .Path = outputPath}));
    return std::move(collector.Files);
}

}  // namespace nevalorum
