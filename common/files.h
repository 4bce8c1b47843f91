#pragma once
// Whole-file reading, the identity of a file on disk, and the one way the
// program puts a file in place: written beside its target under a temporary
// name and renamed over it when complete. Failures are InputOutputError
// messages that name the file and give the system's reason.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"

namespace nevalorum {

// An open descriptor, closed when it goes.
class OwnedDescriptor {
  public:
    explicit OwnedDescriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~OwnedDescriptor();
    OwnedDescriptor(OwnedDescriptor&& other) noexcept : descriptor_(other.Release()) {}
    OwnedDescriptor& operator=(OwnedDescriptor&& other) noexcept;
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;

    int Get() const { return descriptor_; }
    // Gives the descriptor up to another owner.
    int Release() {
        const int descriptor = descriptor_;
        descriptor_ = -1;
        return descriptor;
    }
    // Closes it now; false with errno set when closing reports an error.
    bool Close();

  private:
    int descriptor_;
};

// What tells one version of a file from another: a cache holds parsed contents
// under this key and reads the file again when it changes.
struct FileStamp {
    std::uintmax_t Size = 0;
    std::int64_t ModifiedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// The error for a failed operation on a file: "File not found", "File access
// denied", "Disk full" or "I/O error <n>", the path, and the system's reason in
// brackets: "I/O error 21: /w/System/help.dat (Is a directory)".
InputOutputError FileError(const std::string& path, int errorNumber);

// Whether a regular file (not a link to one) is at path.
bool FileExists(const std::string& path);

// The error for a path where a regular file is expected but none is: the
// system's reason (no such file, a folder, a name too long, ...), or that it is
// a symbolic link or a special file.
InputOutputError NoRegularFileError(const std::string& path);

// The stamp of the regular file at path, or none when no such file exists.
std::optional<FileStamp> StampOfExistingFile(const std::string& path);

// The most bytes a data file of the program may hold: the largest, the main
// window's background picture, holds 1.4 MB.
inline constexpr std::uintmax_t MaxDataFileBytes = std::uintmax_t{64} << 20;

// A regular file open for reading. It is opened without following a symbolic
// link and without waiting on a FIFO, and what it is is asked of the open
// descriptor, so that nothing swapped in under its name is read.
class OpenedFile {
  public:
    // The file at path, or none when nothing is there. Throws FileError when it
    // cannot be opened, and NoRegularFileError for a link, folder, FIFO or device.
    static std::optional<OpenedFile> OpenIfPresent(const std::string& path);
    // The file at path. Throws as OpenIfPresent, and "File not found" when nothing is there.
    static OpenedFile Open(const std::string& path);

    OpenedFile(OpenedFile&& other) noexcept;
    OpenedFile& operator=(OpenedFile&&) = delete;
    OpenedFile(const OpenedFile&) = delete;
    ~OpenedFile();

    const FileStamp& Stamp() const { return stamp_; }
    int Descriptor() const { return descriptor_; }
    // All its bytes. Throws InputOutputError naming the file when it holds more
    // than maxBytes, and FileError when reading fails.
    std::string ReadAll(std::uintmax_t maxBytes = MaxDataFileBytes) const;
    // Its bytes in order, in pieces that each end with a line end ('\n' or
    // '\r') except the last, handed to consume until it returns false or the
    // file ends. Memory is bounded by the longest line, not the file. Throws
    // as ReadAll; a file of more than maxBytes is refused before it is read.
    void ReadLinePieces(const std::function<bool(std::string_view piece)>& consume,
                        std::uintmax_t maxBytes = MaxDataFileBytes) const;

  private:
    OpenedFile(std::string path, int descriptor, FileStamp stamp);
    InputOutputError TooLarge(std::uintmax_t size, std::uintmax_t maxBytes) const;
    // Reads what comes next into the buffer; 0 at the end of the file.
    std::size_t ReadSome(char* buffer, std::size_t size) const;
    std::string path_;
    int descriptor_;
    FileStamp stamp_;
};

// The regular file's bytes, unchanged (through OpenedFile: no link is followed,
// no FIFO waited on, at most maxBytes). Throws FileError when it cannot be read
// (a folder gives "Is a directory").
std::string ReadWholeFile(const std::string& path, std::uintmax_t maxBytes = MaxDataFileBytes);

// The error for a file that cannot be created: "Cannot create file "<path>". <reason>".
InputOutputError CannotCreateFile(const std::string& path, int errorNumber);

// Temporary files are named after their target with this marker and six
// random characters: "Hor_01_2027.html.nptmp-a8Zk3Q".
inline constexpr std::string_view TemporaryFileMarker = ".nptmp-";

// Whether a file name is that of a temporary file of the program.
bool IsTemporaryFileName(std::string_view name);

// Removes the temporary files that an interrupted earlier run left in the
// folder (not in its subfolders). Only the holder of the working folder's lock
// may call it: another run's files would go too. Throws FileError when one
// cannot be removed.
void RemoveTemporaryFiles(const std::string& folder);

// Completes the commits of files together (CommitTogether) that a killed
// process left half done in the folder, so that every target holds the file of
// the same commit; the old files stay as temporary files. Call it, holding the
// folder's lock, before RemoveTemporaryFiles. Throws FileError.
void CompleteInterruptedCommits(const std::string& folder);

enum class FileSync {
    No,   // pages and charts: the next run writes them again
    Yes,  // the archive: flushed to the disk before it takes its name
};

// A file being written beside its target under a temporary name. Commit gives
// it the target's name; a file never committed is removed, on every path out.
// A new file gets the mode the umask allows; a file that replaces another
// keeps the mode of the one it replaces.
class PendingFile {
  public:
    // Creates the temporary file. Throws CannotCreateFile.
    explicit PendingFile(std::string target, FileSync sync = FileSync::No);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& Target() const { return target_; }
    const std::string& TemporaryPath() const { return temporary_; }
    // The temporary file's open descriptor, for a writer that must not open it by name.
    int Descriptor() const { return descriptor_; }

    // Appends bytes. Throws CannotCreateFile naming the target.
    void Write(std::string_view bytes);
    // Closes the file (flushing it first when asked) and renames it over the target.
    void Commit();

  private:
    friend void CommitTogether(const std::vector<PendingFile*>& files);
    void Close();
    [[noreturn]] void Fail(int errorNumber);

    std::string target_;
    std::string temporary_;
    FileSync sync_;
    int descriptor_ = -1;
    bool committed_ = false;
};

// Renames every file over its target, so that either all targets hold their
// new contents or, when one rename fails, all keep their old ones (on file
// systems that can exchange two names; elsewhere each target is checked first).
// Files of one folder are committed under a journal in that folder, which
// CompleteInterruptedCommits reads when the process dies part way; SIGINT,
// SIGTERM, SIGHUP and SIGQUIT wait until the commit is done.
void CommitTogether(const std::vector<PendingFile*>& files);

// Writes bytes as path through a PendingFile: path holds either its old
// contents or all of the new ones, never a part.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         FileSync sync = FileSync::No);

// Writes a scratch file of the program's own (System/tmp.bmp): over the bytes of
// the file at path, in place, when it is a regular file of the same size with
// no other name; else through WriteFileAtomically. In place, nothing new is
// allocated and no replaced file is flushed, but a failure part way can leave
// the file half old, half new. Throws CannotCreateFile.
void OverwriteScratchFile(const std::string& path, std::string_view bytes);

}  // namespace nevalorum
