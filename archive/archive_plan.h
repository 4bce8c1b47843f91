#pragma once
// What an update of the output archive writes: the files of the output folder
// that belong in it, and for every existing entry whether it is copied as it is
// or replaced by its newer file, then the files no entry names.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/archive_reader.h"

namespace nevalorum {

struct CollectedFile {
    std::string Path;
    std::string Name;  // UTF-8, without folder
};

// The regular files under the output folder: those of a folder in name order,
// then those of its subfolders in name order. Left out: the archive itself
// (known by its device and inode, whatever its path is called), the program's
// temporary files, and symbolic links, which are not followed, so the archive
// holds only what lies in the folder; of two files with one name (ignoring
// letter case), the first. Throws FileError when a folder cannot be listed.
std::vector<CollectedFile> CollectOutputFiles(const std::string& outputFolder,
                                              const std::string& archivePath);

struct UpdatePlan {
    // For each existing entry in archive order: the encoded file that replaces
    // it, or none when the entry is copied as it is.
    std::vector<std::optional<std::size_t>> Replacements;
    // Files of the folder encoded for the archive: the replacements, then the
    // new files, which follow the existing entries in this order.
    std::vector<EncodedFile> Encoded;
    std::size_t FirstNew = 0;      // index of the first new file in Encoded
    std::uint64_t BytesTotal = 0;  // entry data the archive will hold
};

// The plan for the files and the existing archive (none for a first archive).
// An entry is replaced when its file (same name, ignoring letter case) is newer
// at the two-second resolution of the MS-DOS time.
UpdatePlan PlanUpdate(const std::vector<CollectedFile>& files, ExistingArchive* existing);

}  // namespace nevalorum
