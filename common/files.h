#pragma once
// Whole-file reading and the identity of a file on disk, with failures raised as
// InputOutputError messages that name the file.

#include <cstdint>
#include <optional>
#include <string>

#include "common/errors.h"

namespace nevalorum {

// What tells one version of a file from another: a cache holds parsed contents
// under this key and reads the file again when it changes.
struct FileStamp {
    std::uintmax_t Size = 0;
    std::int64_t ModifiedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// The error for a failed operation on a file: "File not found", "File access
// denied" or "I/O error <n>", followed by the path.
InputOutputError FileError(const std::string& path, int errorNumber);

bool FileExists(const std::string& path);

// The stamp of the regular file at path, or none when no such file exists.
std::optional<FileStamp> StampOfExistingFile(const std::string& path);

// The file's bytes, unchanged. Throws FileError when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The error for a file that cannot be created: "Cannot create file "<path>". <reason>".
InputOutputError CannotCreateFile(const std::string& path, int errorNumber);

// Writes bytes to a new file in the folder of path and renames it over path, so
// that path holds either its old contents or all of the new ones, never a part.
// The file is not flushed to the disk first: pages and charts are written again
// by the next run. Throws CannotCreateFile when the file cannot be written.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace nevalorum
