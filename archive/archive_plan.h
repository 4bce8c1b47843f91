#pragma once
// What an update of the output archive writes: for every existing entry
// whether it is copied as it is or replaced by its changed file, then the files
// no entry names.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/archive_reader.h"
#include "archive/output_folder.h"

namespace nevalorum {

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
// An entry is replaced when its file (same name, ignoring letter case) differs
// from it: a later time at the two-second resolution of the MS-DOS time,
// another size or another CRC-32. Each name is looked up once, in a hash set.
UpdatePlan PlanUpdate(const std::vector<CollectedFile>& files, ExistingArchive* existing);

}  // namespace nevalorum
