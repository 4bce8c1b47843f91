#include "archive/archive_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "archive/archive_libraries.h"

namespace nevalorum {
namespace {

// Sizes from this on are written in the ZIP64 extra field; minizip's own limit.
constexpr std::uint64_t Zip64Size = 0xFFFFFFFF;
// The extra field block of the ZIP64 sizes and offset.
constexpr unsigned Zip64BlockId = 0x0001;
// The end record of the directory, without a comment, and the ZIP64 locator.
constexpr std::size_t EndRecordSize = 22;
constexpr std::size_t Zip64LocatorSize = 20;

const void* BytesOrNull(const std::string& bytes) {
    return bytes.empty() ? nullptr : bytes.data();
}

// The extra field without its ZIP64 block, which minizip writes itself where
// the entry needs one. A field that is no well-formed list of blocks stays as
// it is.
std::string WithoutZip64Block(const std::string& extra) {
    std::string kept;
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(extra[at + i]); };
        const unsigned id = byte(0) | byte(1) << 8;
        const std::size_t length = byte(2) | byte(3) << 8;
        if (at + 4 + length > extra.size()) {
            return extra;
        }
        if (id != Zip64BlockId) {
            kept.append(extra, at, 4 + length);
        }
        at += 4 + length;
    }
    return at == extra.size() ? kept : extra;
}

}  // namespace

ArchiveWriter::ArchiveWriter(const std::string& archivePath)
    : file_(archivePath, FileSync::Yes), stream_(file_.Descriptor()) {
    zlib_filefunc64_def functions = stream_.Functions();
    errno = 0;
    zip_ = Minizip().zipOpen2_64(file_.TemporaryPath().c_str(), APPEND_STATUS_CREATE, nullptr,
                                 &functions);
    if (zip_ == nullptr) {
        throw CannotCreateFile(archivePath, errno != 0 ? errno : EIO);
    }
}

ArchiveWriter::~ArchiveWriter() {
    if (zip_ != nullptr) {
        Minizip().zipClose(zip_, nullptr);
    }
}

void ArchiveWriter::Check(int result) {
    if (result != ZIP_OK) {
        const int error = stream_.Error() != 0 ? stream_.Error() : errno;
        throw CannotCreateFile(file_.Target(), error != 0 ? error : EIO);
    }
}

void ArchiveWriter::Begin(const EntryHeader& header) {
    zip_fileinfo info{};
    info.dosDate = header.DosDate;
    info.internal_fa = header.InternalAttributes;
    info.external_fa = header.ExternalAttributes;
    const std::string localExtra = WithoutZip64Block(header.LocalExtra);
    const std::string centralExtra = WithoutZip64Block(header.CentralExtra);
    const int zip64 = header.Size >= Zip64Size || header.CompressedSize >= Zip64Size ? 1 : 0;
    // Raw data at level 0: minizip adds no compression-level bits to the flags.
    errno = 0;
    Check(Minizip().zipOpenNewFileInZip4_64(
        zip_, header.Name.Bytes.c_str(), &info, BytesOrNull(localExtra),
        static_cast<uInt>(localExtra.size()), BytesOrNull(centralExtra),
        static_cast<uInt>(centralExtra.size()),
        header.Comment.empty() ? nullptr : header.Comment.c_str(), header.Method, 0, 1, -MAX_WBITS,
        8, Z_DEFAULT_STRATEGY, nullptr, 0, header.VersionMadeBy, header.Name.Flag, zip64));
}

void ArchiveWriter::Write(std::string_view block) {
    errno = 0;
    Check(Minizip().zipWriteInFileInZip(zip_, block.data(), static_cast<unsigned>(block.size())));
}

void ArchiveWriter::End(const EntryHeader& header) {
    errno = 0;
    Check(Minizip().zipCloseFileInZipRaw64(zip_, header.Size, header.Crc));
    ++entries_;
}

void ArchiveWriter::Commit() {
    const std::uint64_t directoryStart = stream_.Position();
    errno = 0;
    const int result = Minizip().zipClose(zip_, nullptr);
    zip_ = nullptr;
    Check(result);
    AddZip64EndRecords(directoryStart);
    file_.Commit();
}

// minizip marks the counts of 65,535 entries or more as kept in the ZIP64 end
// record, and may write no such record: without it, a reader finds 65,535
// entries, or none. Where the counts, the directory's size or its offset do
// not fit the end record, the ZIP64 end record and its locator go before it.
void ArchiveWriter::AddZip64EndRecords(std::uint64_t directoryStart) {
    const std::uint64_t end = stream_.Position();
    std::string tail(EndRecordSize + Zip64LocatorSize, '\0');
    if (end < directoryStart + EndRecordSize) {
        Check(ZIP_INTERNALERROR);
    }
    const std::uint64_t endRecord = end - EndRecordSize;
    const std::uint64_t directorySize = endRecord - directoryStart;
    const bool fits = entries_ < 0xFFFF && directoryStart < Zip64Size && directorySize < Zip64Size;
    if (fits) {
        return;
    }
    const bool written = endRecord >= Zip64LocatorSize &&
                         stream_.ReadAt(endRecord - Zip64LocatorSize, tail) &&
                         tail.starts_with("PK\x06\x07");
    if (!stream_.ReadAt(endRecord, tail.erase(EndRecordSize)) || !tail.starts_with("PK\x05\x06")) {
        Check(ZIP_ERRNO);
    }
    if (written) {
        return;
    }
    std::string records;
    const auto put = [&records](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            records += static_cast<char>(value >> (8 * i) & 0xFF);
        }
    };
    put(0x06064b50, 4);  // ZIP64 end record
    put(44, 8);          // its size after this field
    put(45, 2);          // version made by: 4.5, ZIP64
    put(45, 2);          // version needed
    put(0, 4);           // this disk
    put(0, 4);           // the disk where the directory starts
    put(entries_, 8);    // entries on this disk
    put(entries_, 8);    // entries
    put(directorySize, 8);
    put(directoryStart, 8);
    put(0x07064b50, 4);  // its locator
    put(0, 4);           // the disk of the ZIP64 end record
    put(endRecord, 8);   // its offset
    put(1, 4);           // disks
    put(0x06054b50, 4);  // the end record, its fields full where they overflow
    put(0, 2);
    put(0, 2);
    put(std::min<std::uint64_t>(entries_, 0xFFFF), 2);
    put(std::min<std::uint64_t>(entries_, 0xFFFF), 2);
    put(std::min<std::uint64_t>(directorySize, Zip64Size), 4);
    put(std::min<std::uint64_t>(directoryStart, Zip64Size), 4);
    put(0, 2);  // no comment
    errno = 0;
    if (!stream_.WriteAt(endRecord, records)) {
        Check(ZIP_ERRNO);
    }
}

}  // namespace nevalorum
