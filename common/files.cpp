#include "common/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "common/messages.h"

namespace nevalorum {

InputOutputError FileError(const std::string& path, int errorNumber) {
    const std::string reason = std::string(" (") + SystemReason(errorNumber) + ")";
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

bool OwnedDescriptor::Close() {
    return close(Release()) == 0;
}

bool FileExists(const std::string& path) {
    return StampOfExistingFile(path).has_value();
}

namespace {

FileStamp StampOf(const struct stat& info) {
    return FileStamp{
        static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

constexpr SharedMessage LinkRefused{
    .Id = MessageId("The file %s is a symbolic link: the program reads and writes only the "
                    "regular files of its folder, not links to others."),
    .Russian =
        "Файл %s является символической ссылкой: программа читает и пишет только обычные "
        "файлы своей папки, а не ссылки на другие."};
constexpr SharedMessage SpecialFileRefused{
    .Id = MessageId("The file %s is not a regular file (it is a pipe, a device or a socket): the "
                    "program reads only regular files."),
    .Russian =
        "Файл %s не является обычным файлом (это канал, устройство или сокет): программа "
        "читает только обычные файлы."};
constexpr SharedMessage FileTooLarge{
    .Id = MessageId("The file %s is too large: %ju bytes, while a data file of the program takes "
                    "at most %ju bytes."),
    .Russian =
        "Файл %s слишком велик: %ju байт, а файл данных программы занимает не больше %ju "
        "байт."};

// The error for something at path that is there but is no regular file.
InputOutputError NotRegularFileError(const std::string& path, mode_t mode) {
    if (S_ISDIR(mode)) {
        return FileError(path, EISDIR);
    }
    return InputOutputError(
        Format(Wording(S_ISLNK(mode) ? LinkRefused : SpecialFileRefused), path.c_str()));
}

}  // namespace

InputOutputError NoRegularFileError(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return FileError(path, errno);
    }
    return S_ISREG(info.st_mode) ? FileError(path, EINVAL)
                                 : NotRegularFileError(path, info.st_mode);
}

std::optional<FileStamp> StampOfExistingFile(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return StampOf(info);
}

namespace {

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

std::optional<OpenedFile> OpenedFile::OpenIfPresent(const std::string& path) {
    // O_NONBLOCK: a FIFO put in a file's place is refused below, not waited on.
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (descriptor < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        const int error = errno;
        // A link's target is not opened: say what the name is.
        struct stat info {};
        if (error == ELOOP && lstat(path.c_str(), &info) == 0) {
            throw NotRegularFileError(path, info.st_mode);
        }
        throw FileError(path, error);
    }
    OwnedDescriptor file(descriptor);
    struct stat info {};
    if (fstat(descriptor, &info) != 0) {
        throw FileError(path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw NotRegularFileError(path, info.st_mode);
    }
    // Reads block again, as on any regular file.
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    file.Release();
    return OpenedFile(path, descriptor, StampOf(info));
}

OpenedFile OpenedFile::Open(const std::string& path) {
    std::optional<OpenedFile> file = OpenIfPresent(path);
    if (!file) {
        throw FileError(path, ENOENT);
    }
    return std::move(*file);
}

OpenedFile::OpenedFile(std::string path, int descriptor, FileStamp stamp)
    : path_(std::move(path)), descriptor_(descriptor), stamp_(stamp) {}

OpenedFile::OpenedFile(OpenedFile&& other) noexcept
    : path_(std::move(other.path_)), descriptor_(other.descriptor_), stamp_(other.stamp_) {
    other.descriptor_ = -1;
}

OpenedFile::~OpenedFile() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

InputOutputError OpenedFile::TooLarge(std::uintmax_t size, std::uintmax_t maxBytes) const {
    return InputOutputError(Format(Wording(FileTooLarge), path_.c_str(), size, maxBytes));
}

std::size_t OpenedFile::ReadSome(char* buffer, std::size_t size) const {
    while (true) {
        const ssize_t count = read(descriptor_, buffer, size);
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            throw FileError(path_, errno);
        }
    }
}

std::string OpenedFile::ReadAll(std::uintmax_t maxBytes) const {
    if (stamp_.Size > maxBytes) {
        throw TooLarge(stamp_.Size, maxBytes);
    }
    // The size is a hint: a file that grows or shrinks meanwhile is read to its
    // end, but never past the bound.
    std::string contents(static_cast<std::size_t>(stamp_.Size) + 1, '\0');
    std::size_t used = 0;
    while (true) {
        if (used == contents.size()) {
            if (used > maxBytes) {
                throw TooLarge(used, maxBytes);
            }
            contents.resize(std::min<std::uintmax_t>(contents.size() * 2, maxBytes + 1));
        }
        const std::size_t count = ReadSome(contents.data() + used, contents.size() - used);
        if (count == 0) {
            break;
        }
        used += count;
    }
    contents.resize(used);
    return contents;
}

void OpenedFile::ReadLinePieces(const std::function<bool(std::string_view piece)>& consume,
                                std::uintmax_t maxBytes) const {
    if (stamp_.Size > maxBytes) {
        throw TooLarge(stamp_.Size, maxBytes);
    }
    // A small buffer: a short read (one day of a table) touches few pages;
    // larger ones measured slower for `positions`, not faster.
    constexpr std::size_t PieceBytes = 8 << 10;
    std::string buffer(std::min<std::uintmax_t>(PieceBytes, maxBytes + 1), '\0');
    std::size_t used = 0;  // bytes in the buffer not yet handed on
    std::uintmax_t total = 0;
    while (true) {
        if (used == buffer.size()) {  // one line fills the buffer: room for more of it
            buffer.resize(std::min<std::uintmax_t>(buffer.size() * 2, maxBytes + 1));
        }
        const std::size_t count = ReadSome(buffer.data() + used, buffer.size() - used);
        total += count;
        if (total > maxBytes) {
            throw TooLarge(total, maxBytes);
        }
        if (count == 0) {
            if (used > 0) {
                consume(std::string_view(buffer.data(), used));
            }
            return;
        }
        used += count;
        const std::size_t lineEnd = std::string_view(buffer.data(), used).find_last_of("\r\n");
        if (lineEnd == std::string_view::npos) {
            continue;
        }
        if (!consume(std::string_view(buffer.data(), lineEnd + 1))) {
            return;
        }
        used -= lineEnd + 1;
        std::memmove(buffer.data(), buffer.data() + lineEnd + 1, used);
    }
}

std::string ReadWholeFile(const std::string& path, std::uintmax_t maxBytes) {
    return OpenedFile::Open(path).ReadAll(maxBytes);
}

InputOutputError CannotCreateFile(const std::string& path, int errorNumber) {
    return InputOutputError("Cannot create file \"" + path + "\". " + SystemReason(errorNumber));
}

bool IsTemporaryFileName(std::string_view name) {
    const std::size_t marker = name.rfind(TemporaryFileMarker);
    return marker != std::string_view::npos && marker > 0 &&
           name.size() == marker + TemporaryFileMarker.size() + 6;
}

namespace {

// The names of the program's temporary files in the folder (not in its
// subfolders); none when the folder is missing. Throws FileError.
std::vector<std::string> TemporaryFileNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        // A missing folder holds no leftovers; the run reports it where it needs it.
        if (errno == ENOENT || errno == ENOTDIR) {
            return names;
        }
        throw FileError(folder, errno);
    }
    errno = 0;
    while (const dirent* entry = readdir(directory)) {
        if (IsTemporaryFileName(entry->d_name)) {
            names.push_back(entry->d_name);
        }
    }
    const int readError = errno;
    closedir(directory);
    if (readError != 0) {
        throw FileError(folder, readError);
    }
    return names;
}

}  // namespace

void RemoveTemporaryFiles(const std::string& folder) {
    for (const std::string& name : TemporaryFileNames(folder)) {
        const std::string path = folder + (folder.ends_with('/') ? "" : "/") + name;
        if (unlink(path.c_str()) != 0 && errno != ENOENT) {
            throw FileError(path, errno);
        }
    }
}

namespace {

// Six random characters for a temporary name.
std::string RandomSuffix() {
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6] = {};
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Without the kernel's randomness the clock and the process tell names apart.
        const auto seed = static_cast<std::uint64_t>(getpid()) * 2654435761u ^
                          static_cast<std::uint64_t>(clock());
        for (std::size_t i = 0; i < sizeof bytes; ++i) {
            bytes[i] = static_cast<unsigned char>(seed >> (8 * i));
        }
    }
    std::string suffix;
    for (unsigned char byte : bytes) {
        suffix += Letters[byte % (sizeof Letters - 1)];
    }
    return suffix;
}

// Creates a new file of the program's own beside path, named path + marker +
// six random characters, with the mode the umask allows, open for writing and
// reading back; its descriptor, or -1 with errno set.
int CreateTemporaryFile(const std::string& path, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + std::string(TemporaryFileMarker) + RandomSuffix();
        const int descriptor =
            open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) {
            return descriptor;
        }
    }
    return -1;
}

}  // namespace

PendingFile::PendingFile(std::string target, FileSync sync)
    : target_(std::move(target)), sync_(sync) {
    descriptor_ = CreateTemporaryFile(target_, temporary_);
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
    // A file that replaces another keeps who may read it.
    struct stat old {};
    const bool replaces = lstat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    const bool moded = !replaces || fchmod(descriptor_, old.st_mode & 07777) == 0;
    const bool flushed = moded && (sync_ == FileSync::No || fsync(descriptor_) == 0);
    const int error = errno;
    const bool closed = close(descriptor_) == 0;
    descriptor_ = -1;
    if (!flushed || !closed) {
        Fail(!flushed ? error : errno);
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

// The folder part of a path, with its "/", and the name after it.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos
               ? std::pair{std::string("./"), path}
               : std::pair{path.substr(0, slash + 1), path.substr(slash + 1)};
}

// A commit journal is a temporary file of the folder named after "commit": a
// line per file, "target<TAB>temporary<TAB>inode of the new file", then "end".
constexpr std::string_view JournalName = "commit";
constexpr std::string_view JournalEnd = "end\n";

std::uint64_t InodeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_ino) : 0;
}

// Holds back the signals that ask a process to stop while it lives, so that a
// commit begun is finished first; they take effect when it goes.
class StopSignalsHeld {
  public:
    StopSignalsHeld() {
        sigset_t stops;
        sigemptyset(&stops);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&stops, signal);
        }
        pthread_sigmask(SIG_BLOCK, &stops, &before_);
    }
    ~StopSignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

  private:
    sigset_t before_;
};

// Gives target the file that temporary holds, keeping target's old file under
// the temporary name where the file system can exchange two names. Whether an
// old file was kept; throws nothing, errno is set on failure (returns nullopt).
std::optional<bool> PutInPlace(const std::string& temporary, const std::string& target) {
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        return true;
    }
    // No old file to keep, or a file system that cannot exchange names.
    const int error = errno;
    if (error == ENOENT || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        if (rename(temporary.c_str(), target.c_str()) == 0) {
            return false;
        }
        return std::nullopt;
    }
    errno = error;
    return std::nullopt;
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
    const StopSignalsHeld held;
    // Files of one folder that must change together are listed in a journal
    // first, so that a process killed between their renames is completed by
    // the next holder of the folder's lock.
    std::optional<PendingFile> journal;
    if (files.size() > 1) {
        const std::string folder = SplitPath(files.front()->target_).first;
        std::string lines;
        for (PendingFile* file : files) {
            const auto [targetFolder, targetName] = SplitPath(file->target_);
            if (targetFolder != folder) {
                lines.clear();
                break;
            }
            lines += targetName + '\t' + SplitPath(file->temporary_).second + '\t' +
                     std::to_string(InodeOf(file->temporary_)) + '\n';
        }
        if (!lines.empty()) {
            journal.emplace(folder + std::string(JournalName));
            journal->Write(lines + std::string(JournalEnd));
            journal->Close();
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
        const std::optional<bool> keptOld = PutInPlace(file->temporary_, file->target_);
        if (!keptOld) {
            const int error = errno;
            undo();
            file->Fail(error);
        }
        (*keptOld ? exchanged : created).push_back(file);
        file->committed_ = !*keptOld;
    }
    // Every target holds its new file: the journal, and the old files, now
    // under the temporary names, go.
    journal.reset();
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

void CompleteInterruptedCommits(const std::string& folder) {
    const std::string prefix = std::string(JournalName) + std::string(TemporaryFileMarker);
    std::vector<std::string> journals;
    for (const std::string& name : TemporaryFileNames(folder)) {
        if (name.starts_with(prefix)) {
            journals.push_back(folder + name);
        }
    }
    for (const std::string& journal : journals) {
        const std::string text = ReadWholeFile(journal);
        // A journal cut short was written before any file was renamed.
        if (text.ends_with(JournalEnd)) {
            std::size_t start = 0;
            while (start < text.size() - JournalEnd.size()) {
                const std::size_t end = text.find('\n', start);
                const std::string line = text.substr(start, end - start);
                start = end + 1;
                const std::size_t tab = line.find('\t');
                const std::size_t secondTab = line.find('\t', tab + 1);
                if (tab == std::string::npos || secondTab == std::string::npos) {
                    break;
                }
                const std::string target = folder + line.substr(0, tab);
                const std::string temporary = folder + line.substr(tab + 1, secondTab - tab - 1);
                const std::string inode = line.substr(secondTab + 1);
                // The new file is either in place already or still under its
                // temporary name; there it is put in place now.
                if (std::to_string(InodeOf(target)) != inode &&
                    std::to_string(InodeOf(temporary)) == inode && !PutInPlace(temporary, target)) {
                    throw FileError(target, errno);
                }
            }
        }
        if (unlink(journal.c_str()) != 0 && errno != ENOENT) {
            throw FileError(journal, errno);
        }
    }
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, FileSync sync) {
    PendingFile file(path, sync);
    file.Write(bytes);
    file.Commit();
}

void OverwriteScratchFile(const std::string& path, std::string_view bytes) {
    // A link, a FIFO, a file with a second name or one of another size is
    // replaced instead, as is a file that cannot be opened for writing.
    // O_NONBLOCK: a FIFO put in its place is replaced, not waited on.
    OwnedDescriptor file(open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
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
