#pragma once
// The new output archive: written entry by entry into a temporary file beside
// the old one, flushed to the disk and renamed over it when complete; on any
// failure the temporary file goes and the old archive stays as it was.

#include <minizip/zip.h>

#include <string>
#include <string_view>

#include "archive/archive_entry.h"
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
    // follows in blocks; minizip then writes its CRC and sizes.
    void Begin(const EntryHeader& header);
    void Write(std::string_view block);
    void End(const EntryHeader& header);

    // Writes the directory, flushes the file and gives it the archive's name.
    void Commit();

  private:
    void Check(int result);

    PendingFile file_;
    zipFile zip_ = nullptr;
};

}  // namespace nevalorum
