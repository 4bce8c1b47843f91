#pragma once
// Pluto's longitude from the day-by-day table file "pluto.sys": line k holds the
// longitude in whole degrees at noon of day k, day 1 being 1900-01-01.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_cache.h"
#include "ephemeris/time_scale.h"

namespace nevalorum {

// The records of one table file as a fresh read from its first line sees them:
// before each record blanks, tabs and line ends are skipped; after its integer
// the rest of the line is ignored. The records are read from the text as far
// as the days asked for so far, since a computation needs a few decades of the
// table's centuries. Reading changes only this object's own record of what it
// has read; one thread at a time uses a table.
class PlutoTable {
  public:
    explicit PlutoTable(std::string text);

    // Longitude [whole degrees] of day k at index k - 1, read until there are
    // count records, the text ends, or a record is not an integer.
    const std::vector<std::int32_t>& RecordsUpTo(std::size_t count) const;

    // The text of the first record that is not an integer, once reading met
    // it; it is record RecordsUpTo(...).size() + 1, and every later day is
    // unreachable behind it.
    const std::optional<std::string>& InvalidRecord() const { return invalidRecord_; }

  private:
    std::string text_;
    mutable std::size_t position_ = 0;  // where reading goes on in text_
    mutable bool finished_ = false;     // the end or an invalid record was reached
    mutable std::vector<std::int32_t> degrees_;
    mutable std::optional<std::string> invalidRecord_;
};

// The table over the text, every record read.
PlutoTable ParsePlutoTable(std::string text);

// Parsed table files by path, read again when a file changes. Owned by the
// caller of the position operations and passed to them.
using PlutoTableCache = ParsedFileCache<PlutoTable>;

// Pluto's table for one computation: the file checked against the disk once,
// then read for every moment of the computation, so that all its moments see
// one version of the file.
class PlutoSource {
  public:
    // Throws InputOutputError when folder + "pluto.sys" cannot be read.
    PlutoSource(const std::string& folder, PlutoTableCache& cache);

    // Pluto's geocentric ecliptic longitude [degrees, 0..360) at the moment: the
    // integer of line Trunc(moment) plus 0.0045. Throws InputOutputError when
    // that line's record is not an integer or the table has no such day.
    double Longitude(EphemerisDay moment) const;

  private:
    std::string path_;
    std::shared_ptr<const PlutoTable> table_;
};

}  // namespace nevalorum
