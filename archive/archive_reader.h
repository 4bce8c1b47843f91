#pragma once
// An existing output archive read entry by entry: the fields of each entry and
// its data as stored, copied in bounded blocks. Nothing is sized from what the
// archive claims: a claimed size that does not fit in the archive is an error.

#include <minizip/unzip.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/archive_entry.h"
#include "archive/descriptor_stream.h"
#include "archive/output_folder.h"

namespace nevalorum {

class ExistingArchive {
  public:
    // Opens the archive at path without following a link; none when there is
    // none. Throws InputOutputError saying why it cannot be read (a symbolic
    // link, a folder or anything else that is no regular file is refused) and
    // that it is left as it is.
    static std::unique_ptr<ExistingArchive> Open(const std::string& path);
    ~ExistingArchive();
    ExistingArchive(const ExistingArchive&) = delete;
    ExistingArchive& operator=(const ExistingArchive&) = delete;

    // Calls visit with the central fields of every entry, in archive order
    // (the local extra field is not read here).
    void ForEachEntry(const std::function<void(const EntryHeader&)>& visit);

    // Calls copy with the fields of every entry, local extra field included,
    // and a reader of its stored data: each call of the reader gives the next
    // block to the sink until the data is done.
    using DataReader = std::function<void(const DataSink& sink)>;
    void CopyEachEntry(const std::function<void(const EntryHeader&, const DataReader&)>& copy);

    // The archive file's identity, which leaves it out of its own entries.
    FileIdentity Identity() const { return identity_; }

  private:
    ExistingArchive(const std::string& path, OwnedDescriptor descriptor, const struct stat& info);
    bool IsEmptyArchive() const;
    EntryHeader CurrentHeader(bool withLocalExtra);
    [[noreturn]] void Fail(const std::string& why) const;

    std::string path_;
    OwnedDescriptor descriptor_;
    FileIdentity identity_;
    std::uint64_t size_ = 0;  // of the archive file [bytes]
    DescriptorStream stream_;
    unzFile file_ = nullptr;       // none for an archive of no entries
    std::uint64_t dataStart_ = 0;  // of the current entry's stored data [bytes]
};

}  // namespace nevalorum
