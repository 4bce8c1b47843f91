#include "archive/archive_writer.h"

#include <cerrno>

namespace nevalorum {
namespace {

const void* BytesOrNull(const std::string& bytes) {
    return bytes.empty() ? nullptr : bytes.data();
}

}  // namespace

ArchiveWriter::ArchiveWriter(const std::string& archivePath) : file_(archivePath, FileSync::Yes) {
    errno = 0;
    zip_ = zipOpen64(file_.TemporaryPath().c_str(), APPEND_STATUS_CREATE);
    if (zip_ == nullptr) {
        throw CannotCreateFile(archivePath, errno != 0 ? errno : EIO);
    }
}

ArchiveWriter::~ArchiveWriter() {
    if (zip_ != nullptr) {
        zipClose(zip_, nullptr);
    }
}

void ArchiveWriter::Check(int result) {
    if (result != ZIP_OK) {
        throw CannotCreateFile(file_.Target(), errno != 0 ? errno : EIO);
    }
}

void ArchiveWriter::Begin(const EntryHeader& header) {
    zip_fileinfo info{};
    info.dosDate = header.DosDate;
    info.internal_fa = header.InternalAttributes;
    info.external_fa = header.ExternalAttributes;
    // Raw data at level 0: minizip adds no compression-level bits to the flags.
    errno = 0;
    Check(zipOpenNewFileInZip4_64(
        zip_, header.Name.Bytes.c_str(), &info, BytesOrNull(header.LocalExtra),
        static_cast<uInt>(header.LocalExtra.size()), BytesOrNull(header.CentralExtra),
        static_cast<uInt>(header.CentralExtra.size()),
        header.Comment.empty() ? nullptr : header.Comment.c_str(), header.Method, 0, 1, -MAX_WBITS,
        8, Z_DEFAULT_STRATEGY, nullptr, 0, header.VersionMadeBy, header.Name.Flag, 0));
}

void ArchiveWriter::Write(std::string_view block) {
    errno = 0;
    Check(zipWriteInFileInZip(zip_, block.data(), static_cast<unsigned>(block.size())));
}

void ArchiveWriter::End(const EntryHeader& header) {
    errno = 0;
    Check(zipCloseFileInZipRaw64(zip_, header.Size, header.Crc));
}

void ArchiveWriter::Commit() {
    errno = 0;
    const int result = zipClose(zip_, nullptr);
    zip_ = nullptr;
    Check(result);
    file_.Commit();
}

}  // namespace nevalorum
