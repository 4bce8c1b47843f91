#pragma once
// The archive of the output folder, Output/Horoscop.zip: created after the first
// forecast and updated after every later one.
//
// Every file of the folder and its subfolders becomes one entry named by the
// file's name alone (CP866, or UTF-8 with the language-encoding flag for a name
// CP866 cannot hold), deflated at level 9 or stored where deflating does not
// make it smaller, with the file's MS-DOS time and attributes. An update keeps
// the existing entries in their order, copying each byte for byte unless its
// file differs from it (a later time, another size or another CRC-32), and
// appends the new files. Files are opened without following links; the archive
// is read and written only through descriptors the program opened. The new
// archive is written beside the old one and renamed over it only when complete
// and on the disk; from 65,535 entries or 4 GiB on it takes ZIP64 records.

#include <cstdint>
#include <functional>
#include <string>

#include "common/folders.h"

namespace nevalorum {

struct ArchiveProgress {
    std::uint64_t BytesWritten = 0;  // entry data written so far
    std::uint64_t BytesTotal = 0;    // entry data the archive will hold
};

// Called after each block of entry data written, so that a window can repaint
// and show how far the archive has come.
using ArchiveProgressCallback = std::function<void(const ArchiveProgress&)>;

// Creates or updates the archive from the files under the output folder. Throws InputOutputError
// when the archive cannot be written, or the existing one cannot be read or is no regular file (a
// symbolic link, say); the existing archive then stays as it was and no temporary file is left
// behind.
void ArchiveOutput(const Folders& folders, const ArchiveProgressCallback& progress = {});

}  // namespace nevalorum
