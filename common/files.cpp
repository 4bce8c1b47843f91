#include "common/files.h"

#include <sys/stat.h>

#include <cerrno>
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

FileStamp StampOfFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        throw FileError(path, errno);
    }
    return FileStamp{
        static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
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

}  // namespace nevalorum
