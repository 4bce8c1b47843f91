#include "common/files.h"

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace nevalorum {

InputOutputError FileError(const std::string& path, int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
        case ENOTDIR:
            return InputOutputError("File not found: " + path);
        case EACCES:
        case EPERM:
            return InputOutputError("File access denied: " + path);
        case ENOSPC:
            return InputOutputError("Disk full: " + path);
        default:
            return InputOutputError("I/O error " + std::to_string(errorNumber) + ": " + path);
    }
}

bool FileExists(const std::string& path) {
    return StampOfExistingFile(path).has_value();
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

std::string ReadWholeFile(const std::string& path) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw FileError(path, errno != 0 ? errno : ENOENT);
    }
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw FileError(path, errno != 0 ? errno : EIO);
    }
    return contents;
}

InputOutputError CannotCreateFile(const std::string& path, int errorNumber) {
    return InputOutputError("Cannot create file \"" + path + "\". " + std::strerror(errorNumber));
}

namespace {

// Writes all bytes to the open descriptor; false with errno set when that fails.
bool WriteAll(int descriptor, const std::string& bytes) {
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

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        throw CannotCreateFile(path, errno);
    }
    const bool written = WriteAll(descriptor, bytes) && fchmod(descriptor, 0644) == 0;
    const int writeError = errno;
    const bool closed = close(descriptor) == 0;
    if (!written || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = !written ? writeError : errno;
        unlink(temporary.c_str());
        throw CannotCreateFile(path, error);
    }
}

}  // namespace nevalorum
