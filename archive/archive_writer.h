#pragma once
// The new output archive: written entry by entry into a temporary file beside
// the old one, through the descriptor the program created it with (minizip
// never opens it by name), flushed to the disk and renamed over the old one
// when complete; on any failure the temporary file goes and the old archive
// stays as it was.

#include <minizip/zip.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/archive_entry.h"
#include "archive/descriptor_stream.h"
#include "common/files.h"

namespace nevalorum {

class ArchiveWriter {
  public:
    // Throws CannotCreateFile naming the archive.
    explicit ArchiveWriter(const std::string& archivePath);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // An entry whose data, as the archive holds it (deflated or stored),
    // follows in blocks; minizip then writes its CRC and sizes. An entry of
    // 4 GiB or more, or one that starts 4 GiB or more into the archive, gets
    // the ZIP64 fields it needs; any ZIP64 field a copied entry brings along is
    // dropped first, since its sizes and offset are written anew.
    void Begin(const EntryHeader& header);
    void Write(std::string_view block);
    void End(const EntryHeader& header);

    // Writes the directory (with the ZIP64 end records from 65,535 entries or
    // a directory 4 GiB or more into the archive on), flushes the file and
    // gives it the archive's name.
    void Commit();

  private:
    void Check(int result);
    void AddZip64EndRecords(std::uint64_t directoryStart);

    PendingFile file_;
    DescriptorStream stream_;
    zipFile zip_ = nullptr;
    std::uint64_t entries_ = 0;
};

}  // namespace nevalorum
