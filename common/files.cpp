#include "common/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nevalorum {

InputOutputError FileError(const std::string& path, int errorNumber) {
    const std::string reason = std::string(" (") + std::strerror(errorNumber) + ")";
    switch (errorNumber) {
        case ENOENT:
        case ENOTDIR:
            return InputOutputError("File not found: " + path + reason);
        case EACCES:
        case EPERM:
            return InputOutputError("File access denied: " + path + reason);
        case ENOSPC:
            return InputOutputError("Disk full: " + path + reason);
        default:
            return InputOutputError("I/O error " + std::to_string(errorNumber) + ": " + path +
                                    reason);
    }
}

bool FileExists(const std::string& path) {
    return StampOfExistingFile(path).has_value();
}

InputOutputError NoRegularFileError(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return FileError(path, errno);
    }
    return FileError(path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
}

std::optional<FileStamp> StampOfExistingFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{
        static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

namespace {

// Closes a descriptor when the reading is done, however it ends.
class Descriptor {
  public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return descriptor_; }
    // Closes it now; false with errno set when closing reports an error.
    bool Close() {
        const int descriptor = descriptor_;
        descriptor_ = -1;
        return close(descriptor) == 0;
    }

  private:
    int descriptor_;
};

// Writes all bytes to the open descriptor; false with errno set when that fails.
bool WriteAll(int descriptor, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        throw FileError(path, errno);
    }
    struct stat info {};
    if (fstat(file.Get(), &info) != 0) {
        throw FileError(path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throw FileError(path, EISDIR);
    }
    // The size is a hint: a file that grows or shrinks meanwhile is read to its end.
    std::string contents(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t used = 0;
    while (true) {
        if (used == contents.size()) {
            contents.resize(contents.size() * 2);
        }
        const ssize_t count = read(file.Get(), contents.data() + used, contents.size() - used);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError(path, errno);
        }
        if (count == 0) {
            break;
        }
        used += static_cast<std::size_t>(count);
    }
    contents.resize(used);
    return contents;
}

InputOutputError CannotCreateFile(const std::string& path, int errorNumber) {
    return InputOutputError("Cannot create file \"" + path + "\". " + std::strerror(errorNumber));
}

bool IsTemporaryFileName(std::string_view name) {
    const std::size_t marker = name.rfind(TemporaryFileMarker);
    return marker != std::string_view::npos && marker > 0 &&
           name.size() == marker + TemporaryFileMarker.size() + 6;
}

void RemoveTemporaryFiles(const std::string& folder) {
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        // A missing folder holds no leftovers; the run reports it where it needs it.
        if (errno == ENOENT || errno == ENOTDIR) {
            return;
        }
        throw FileError(folder, errno);
    }
    std::vector<std::string> leftovers;
    errno = 0;
    while (const dirent* entry = readdir(directory)) {
        if (IsTemporaryFileName(entry->d_name)) {
            leftovers.push_back(entry->d_name);
        }
    }
    const int readError = errno;
    closedir(directory);
    if (readError != 0) {
        throw FileError(folder, readError);
    }
    for (const std::string& name : leftovers) {
        const std::string path = folder + (folder.ends_with('/') ? "" : "/") + name;
        if (unlink(path.c_str()) != 0 && errno != ENOENT) {
            throw FileError(path, errno);
        }
    }
}

PendingFile::PendingFile(std::string target, FileSync sync)
    : target_(std::move(target)),
      temporary_(target_ + std::string(TemporaryFileMarker) + "XXXXXX"),
      sync_(sync) {
    descriptor_ = mkostemp(temporary_.data(), O_CLOEXEC);
    if (descriptor_ < 0) {
        throw CannotCreateFile(target_, errno);
    }
}

PendingFile::~PendingFile() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
    if (!committed_) {
        unlink(temporary_.c_str());
    }
}

void PendingFile::Fail(int errorNumber) {
    throw CannotCreateFile(target_, errorNumber);
}

void PendingFile::Write(std::string_view bytes) {
    if (!WriteAll(descriptor_, bytes)) {
        Fail(errno);
    }
}

void PendingFile::Close() {
    if (descriptor_ < 0) {
        return;
    }
    const bool flushed = sync_ == FileSync::No || fsync(descriptor_) == 0;
    const bool readable = flushed && fchmod(descriptor_, 0644) == 0;
    const int error = errno;
    const bool closed = close(descriptor_) == 0;
    descriptor_ = -1;
    if (!readable || !closed) {
        Fail(!readable ? error : errno);
    }
}

void PendingFile::Commit() {
    CommitTogether({this});
}

namespace {

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

void CommitTogether(const std::vector<PendingFile*>& files) {
    for (PendingFile* file : files) {
        file->Close();
        // rename cannot put a file over a folder: found before anything is replaced.
        if (IsDirectory(file->target_)) {
            file->Fail(EISDIR);
        }
    }
    // Each target's old file is kept under the temporary name by exchanging the
    // two names, so that a later failure can put every old file back.
    std::vector<PendingFile*> exchanged;
    std::vector<PendingFile*> created;
    const auto undo = [&] {
        for (PendingFile* file : exchanged) {
            renameat2(AT_FDCWD, file->temporary_.c_str(), AT_FDCWD, file->target_.c_str(),
                      RENAME_EXCHANGE);
        }
        for (PendingFile* file : created) {
            unlink(file->target_.c_str());
        }
    };
    for (PendingFile* file : files) {
        const char* from = file->temporary_.c_str();
        const char* to = file->target_.c_str();
        if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE) == 0) {
            exchanged.push_back(file);
            continue;
        }
        // No old file to keep, or a file system that cannot exchange names.
        const int error = errno;
        if ((error == ENOENT || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) &&
            rename(from, to) == 0) {
            if (error == ENOENT) {
                created.push_back(file);
            }
            file->committed_ = true;
            continue;
        }
        const int renameError =
            error == ENOENT || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ? errno
                                                                                         : error;
        undo();
        file->Fail(renameError);
    }
    // Every target holds its new file: the old ones, now under the temporary
    // names, go.
    for (PendingFile* file : exchanged) {
        file->committed_ = false;
    }
    for (PendingFile* file : files) {
        if (!file->committed_) {
            unlink(file->temporary_.c_str());
            file->committed_ = true;
        }
    }
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, FileSync sync) {
    PendingFile file(path, sync);
    file.Write(bytes);
    file.Commit();
}

void OverwriteScratchFile(const std::string& path, std::string_view bytes) {
    // A link, a file with a second name or one of another size is replaced
    // instead, as is a file that cannot be opened for writing.
    Descriptor file(open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat info {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_nlink != 1 || static_cast<std::uintmax_t>(info.st_size) != bytes.size()) {
        WriteFileAtomically(path, bytes);
        return;
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = pwrite(file.Get(), bytes.data() + written, bytes.size() - written,
                                     static_cast<off_t>(written));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CannotCreateFile(path, errno);
        }
        written += static_cast<std::size_t>(count);
    }
    if (!file.Close()) {
        throw CannotCreateFile(path, errno);
    }
}

}  // namespace nevalorum
