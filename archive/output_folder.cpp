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

OwnedDescriptor::~OwnedDescriptor() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

OwnedDescriptor& OwnedDescriptor::operator=(OwnedDescriptor&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
        descriptor_ = other.Release();
    }
    return *this;
}

namespace {

// Errors of an open or a look-up that say the name no longer stands for what
// the listing found: gone, or now a link or another kind of file.
bool NoLongerThere(int error) {
    return error == ENOENT || error == ELOOP || error == ENOTDIR || error == ENXIO;
}

struct Listing {
    std::vector<std::pair<std::string, struct stat>> Files;
    std::vector<std::string> Folders;
};

// The folder's names, split into regular files (with what they are) and
// folders, each in name order.
Listing ListFolder(const OpenFolder& folder, const FolderListedHook& listed) {
    const int copy = fcntl(folder.Descriptor.Get(), F_DUPFD_CLOEXEC, 0);
    DIR* directory = copy >= 0 ? fdopendir(copy) : nullptr;
    if (directory == nullptr) {
        const int error = errno;
        if (copy >= 0) {
            close(copy);
        }
        throw FileError(folder.Path, error);
    }
    std::vector<std::pair<std::string, unsigned char>> names;
    errno = 0;
    while (const dirent* entry = readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(entry->d_name, entry->d_type);
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
    for (auto& [name, type] : names) {
        if (type == DT_DIR) {
            listing.Folders.push_back(std::move(name));
            continue;
        }
        if (type != DT_REG && type != DT_UNKNOWN) {
            continue;  // links, FIFOs, sockets, devices
        }
        struct stat info {};
        if (fstatat(folder.Descriptor.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                continue;  // removed since the folder was read
            }
            throw FileError(folder.Path + name, errno);
        }
        if (S_ISDIR(info.st_mode)) {
            listing.Folders.push_back(std::move(name));
        } else if (S_ISREG(info.st_mode)) {
            listing.Files.emplace_back(std::move(name), info);
        }
    }
    std::sort(listing.Files.begin(), listing.Files.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::sort(listing.Folders.begin(), listing.Folders.end());
    return listing;
}

struct Collector {
    std::optional<FileIdentity> Archive;
    const FolderListedHook& Listed;
    std::unordered_set<std::u32string> Taken;
    std::vector<CollectedFile> Files;

    void Collect(const std::shared_ptr<const OpenFolder>& folder) {
        Listing listing = ListFolder(*folder, Listed);
        for (auto& [name, info] : listing.Files) {
            if (IdentityOf(info) == Archive || IsTemporaryFileName(name) ||
                !Taken.insert(NameIgnoringCase(name)).second) {
                continue;
            }
            Files.push_back({.Folder = folder,
                             .Name = std::move(name),
                             .Identity = IdentityOf(info),
                             .Size = static_cast<std::uint64_t>(info.st_size),
                             .Modified = info.st_mtim.tv_sec});
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

std::optional<OpenedFile> OpenCollectedFile(const CollectedFile& file) {
    OpenedFile opened;
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
