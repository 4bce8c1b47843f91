#include "archive/archive_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "archive/archive_libraries.h"
#include "common/errors.h"
#include "common/files.h"
#include "common/messages.h"

namespace nevalorum {
namespace {

// Stored data is copied in blocks of this size.
constexpr std::size_t CopyBlockSize = 256 * 1024;
// The end record of the archive directory, without its comment.
constexpr std::size_t EndRecordSize = 22;

std::uint16_t Little16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// The sizes of a ZIP64 entry: where the central header's field is full, the
// value follows in the extra field's ZIP64 block (the uncompressed size first).
// minizip's own reading of the block misses them on 64-bit systems.
void TakeZip64Sizes(EntryHeader& header) {
    constexpr std::uint64_t Full = 0xFFFFFFFF;
    const std::string& extra = header.CentralExtra;
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const std::size_t length = Little16(extra, at + 2);
        if (Little16(extra, at) == 0x0001) {
            std::size_t field = at + 4;
            const auto next = [&](std::uint64_t& value) {
                if (value == Full && field + 8 <= at + 4 + length && field + 8 <= extra.size()) {
                    value = 0;
                    for (int i = 7; i >= 0; --i) {
                        value = value << 8 | static_cast<unsigned char>(extra[field + i]);
                    }
                    field += 8;
                }
            };
            next(header.Size);
            next(header.CompressedSize);
            return;
        }
        at += 4 + length;
    }
}

constexpr SharedMessage ArchiveLink{.Id = MessageId("a symbolic link"),
                                    .Russian = "символическая ссылка"};
constexpr SharedMessage ArchiveSpecial{.Id = MessageId("a special file"),
                                       .Russian = "специальный файл"};
constexpr SharedMessage ArchiveNotRegular{
    .Id = MessageId("The archive \"%s\" was not updated: it is %s, while the archive must be a "
                    "regular file. It is left as it is; to start a new archive, move it to "
                    "another folder or rename it."),
    .Russian =
        "Архив \"%s\" не обновлён: это %s, а архив должен быть обычным файлом. Он "
        "оставлен как есть; чтобы начать новый архив, переместите его в другую папку или "
        "переименуйте."};
constexpr SharedMessage ArchiveUnreadable{
    .Id = MessageId("The archive \"%s\" cannot be read: %s. The archive is left as it is; to "
                    "start a new one, move it to another folder or rename it."),
    .Russian =
        "Архив \"%s\" не удаётся прочитать: %s. Архив оставлен как есть; чтобы начать "
        "новый, переместите его в другую папку или переименуйте."};
constexpr SharedMessage NotZip{
    .Id = MessageId("it is not a ZIP archive, or its directory is damaged"),
    .Russian = "это не ZIP-архив, или его оглавление повреждено"};
constexpr SharedMessage DirectoryEntryDamaged{
    .Id = MessageId("an entry of its directory is damaged"),
    .Russian = "запись оглавления повреждена"};
constexpr SharedMessage DirectoryDamaged{.Id = MessageId("its directory is damaged"),
                                         .Russian = "оглавление повреждено"};
constexpr SharedMessage EntryClaimsTooMuch{
    .Id = MessageId("the entry \"%s\" claims %ju bytes of data, more than the whole archive "
                    "(%ju bytes)"),
    .Russian = "запись \"%s\" заявляет %ju байт данных, больше, чем весь архив (%ju байт)"};
constexpr SharedMessage EntryHeaderUnreadable{
    .Id = MessageId("the header of the entry \"%s\" cannot be read"),
    .Russian = "не читается заголовок записи \"%s\""};
constexpr SharedMessage EntryPastTheEnd{
    .Id = MessageId("the data of the entry \"%s\" run past the end of the archive"),
    .Russian = "данные записи \"%s\" выходят за конец архива"};
constexpr SharedMessage EntryCutShort{.Id = MessageId("the data of the entry \"%s\" break off"),
                                      .Russian = "данные записи \"%s\" обрываются"};

// What a name that should be the archive stands for instead of a file.
std::string KindOfFile(int openError) {
    return Wording(openError == ELOOP ? ArchiveLink : ArchiveSpecial);
}

[[noreturn]] void RefuseArchive(const std::string& path, const std::string& kind) {
    throw InputOutputError(Format(Wording(ArchiveNotRegular), path.c_str(), kind.c_str()));
}

}  // namespace

std::unique_ptr<ExistingArchive> ExistingArchive::Open(const std::string& path) {
    OwnedDescriptor descriptor(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (descriptor.Get() < 0) {
        const int error = errno;
        if (error == ENOENT) {
            return nullptr;
        }
        if (error == ELOOP || error == ENXIO) {
            RefuseArchive(path, KindOfFile(error));
        }
        throw FileError(path, error);
    }
    struct stat info {};
    if (fstat(descriptor.Get(), &info) != 0) {
        throw FileError(path, errno);
    }
    // A folder cannot be replaced by the new archive: the error says so, as
    // renaming over it would.
    if (S_ISDIR(info.st_mode)) {
        throw CannotCreateFile(path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        RefuseArchive(path, KindOfFile(0));
    }
    return std::unique_ptr<ExistingArchive>(new ExistingArchive(path, std::move(descriptor), info));
}

ExistingArchive::ExistingArchive(const std::string& path, OwnedDescriptor descriptor,
                                 const struct stat& info)
    : path_(path),
      descriptor_(std::move(descriptor)),
      identity_(IdentityOf(info)),
      size_(static_cast<std::uint64_t>(info.st_size)),
      stream_(descriptor_.Get()) {
    zlib_filefunc64_def functions = stream_.Functions();
    file_ = Minizip().unzOpen2_64(path_.c_str(), &functions);
    if (file_ == nullptr && !IsEmptyArchive()) {
        Fail(Wording(NotZip));
    }
}

ExistingArchive::~ExistingArchive() {
    if (file_ != nullptr) {
        Minizip().unzClose(file_);
    }
}

// Whether the file is an archive of no entries: only the end record, with its
// comment. The unzip library takes such a file for no archive at all.
bool ExistingArchive::IsEmptyArchive() const {
    if (size_ < EndRecordSize || size_ > EndRecordSize + 0xFFFF) {
        return false;
    }
    std::string bytes(static_cast<std::size_t>(size_), '\0');
    std::size_t used = 0;
    while (used < bytes.size()) {
        const ssize_t count = pread(descriptor_.Get(), bytes.data() + used, bytes.size() - used,
                                    static_cast<off_t>(used));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw FileError(path_, errno);
        }
        if (count == 0) {
            break;
        }
        used += static_cast<std::size_t>(count);
    }
    bytes.resize(used);
    if (bytes.size() < EndRecordSize || bytes.compare(0, 4, "PK\x05\x06") != 0) {
        return false;
    }
    for (std::size_t field = 4; field < 20; field += 2) {
        if (Little16(bytes, field) != 0) {  // disks, entries, directory size and offset
            return false;
        }
    }
    return bytes.size() == EndRecordSize + Little16(bytes, 20);
}

void ExistingArchive::Fail(const std::string& why) const {
    throw InputOutputError(Format(Wording(ArchiveUnreadable), path_.c_str(), why.c_str()));
}

EntryHeader ExistingArchive::CurrentHeader(bool withLocalExtra) {
    unz_file_info64 info{};
    if (Minizip().unzGetCurrentFileInfo64(file_, &info, nullptr, 0, nullptr, 0, nullptr, 0) !=
        UNZ_OK) {
        Fail(Wording(DirectoryEntryDamaged));
    }
    // The name, extra field and comment are at most 64 KiB each by the format.
    EntryHeader header;
    header.Name.Bytes.resize(info.size_filename);
    header.CentralExtra.resize(info.size_file_extra);
    header.Comment.resize(info.size_file_comment);
    if (Minizip().unzGetCurrentFileInfo64(file_, &info, header.Name.Bytes.data(),
                                          header.Name.Bytes.size(), header.CentralExtra.data(),
                                          header.CentralExtra.size(), header.Comment.data(),
                                          header.Comment.size()) != UNZ_OK) {
        Fail(Wording(DirectoryEntryDamaged));
    }
    header.Name.Flag = info.flag;
    header.Method = static_cast<int>(info.compression_method);
    header.DosDate = info.dosDate;
    header.InternalAttributes = info.internal_fa;
    header.ExternalAttributes = info.external_fa;
    header.VersionMadeBy = info.version;
    header.Crc = info.crc;
    header.Size = info.uncompressed_size;
    header.CompressedSize = info.compressed_size;
    TakeZip64Sizes(header);
    if (header.CompressedSize > size_) {
        Fail(Format(Wording(EntryClaimsTooMuch), NameOfEntry(header.Name).c_str(),
                    static_cast<std::uintmax_t>(header.CompressedSize),
                    static_cast<std::uintmax_t>(size_)));
    }
    if (withLocalExtra) {
        int method = 0;
        int level = 0;
        if (Minizip().unzOpenCurrentFile2(file_, &method, &level, 1) != UNZ_OK) {
            Fail(Format(Wording(EntryHeaderUnreadable), NameOfEntry(header.Name).c_str()));
        }
        const std::uint64_t start = Minizip().unzGetCurrentFileZStreamPos64(file_);
        dataStart_ = start;
        if (start > size_ || header.CompressedSize > size_ - start) {
            Fail(Format(Wording(EntryPastTheEnd), NameOfEntry(header.Name).c_str()));
        }
        const int extra = Minizip().unzGetLocalExtrafield(file_, nullptr, 0);
        header.LocalExtra.resize(static_cast<std::size_t>(std::max(extra, 0)));
        if (extra > 0 && Minizip().unzGetLocalExtrafield(file_, header.LocalExtra.data(),
                                                         static_cast<unsigned>(extra)) != extra) {
            Fail(Format(Wording(EntryHeaderUnreadable), NameOfEntry(header.Name).c_str()));
        }
    }
    return header;
}

void ExistingArchive::ForEachEntry(const std::function<void(const EntryHeader&)>& visit) {
    if (file_ == nullptr) {
        return;
    }
    int result = Minizip().unzGoToFirstFile(file_);
    for (; result == UNZ_OK; result = Minizip().unzGoToNextFile(file_)) {
        visit(CurrentHeader(false));
    }
    if (result != UNZ_END_OF_LIST_OF_FILE) {
        Fail(Wording(DirectoryDamaged));
    }
}

void ExistingArchive::CopyEachEntry(
    const std::function<void(const EntryHeader&, const DataReader&)>& copy) {
    if (file_ == nullptr) {
        return;
    }
    std::string block(CopyBlockSize, '\0');
    int result = Minizip().unzGoToFirstFile(file_);
    for (; result == UNZ_OK; result = Minizip().unzGoToNextFile(file_)) {
        const EntryHeader header = CurrentHeader(true);
        // The stored data is read from the archive's descriptor by the sizes
        // read here: minizip counts a ZIP64 entry's data by the full 32-bit fields.
        const DataReader reader = [&](const DataSink& sink) {
            std::uint64_t copied = 0;
            while (copied < header.CompressedSize) {
                const std::size_t want = static_cast<std::size_t>(
                    std::min<std::uint64_t>(block.size(), header.CompressedSize - copied));
                const ssize_t count = pread(descriptor_.Get(), block.data(), want,
                                            static_cast<off_t>(dataStart_ + copied));
                if (count < 0 && errno == EINTR) {
                    continue;
                }
                if (count < 0) {
                    throw FileError(path_, errno);
                }
                if (count == 0) {
                    Fail(Format(Wording(EntryCutShort), NameOfEntry(header.Name).c_str()));
                }
                copied += static_cast<std::uint64_t>(count);
                sink(std::string_view(block.data(), static_cast<std::size_t>(count)));
            }
        };
        copy(header, reader);
        Minizip().unzCloseCurrentFile(file_);
    }
    if (result != UNZ_END_OF_LIST_OF_FILE) {
        Fail(Wording(DirectoryDamaged));
    }
}

}  // namespace nevalorum
