#pragma once
// Pluto's longitude from the day-by-day table file "pluto.sys": line k holds the
// longitude in whole degrees at noon of day k, day 1 being 1900-01-01.

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_cache.h"
#include "ephemeris/time_scale.h"

namespace nevalorum {

// The records of one table file as a read from its first line sees them:
// before each record blanks, tabs and line ends are skipped; after its integer
// the rest of the line is ignored. Parsed once, then only read.
struct PlutoTable {
    // Longitude [whole degrees] of day k at index k - 1, up to the end of the
    // text or the first record that is not an integer.
    std::vector<std::int32_t> Degrees;
    // The text of the first record that is not an integer, if any: it is
    // record Degrees.size() + 1, and every later day is unreachable behind it.
    std::optional<std::string> InvalidRecord;
};

// The table of a file's text, read as far as its first count records.
PlutoTable ParsePlutoTable(const std::string& text, std::size_t count = SIZE_MAX);

// The texts of table files by path, read again when a file changes. Owned by
// the caller of the position operations and passed to them.
using PlutoTableCache = ParsedFileCache<std::string>;

// Pluto's table for one computation: the file checked against the disk once,
// and its records read as far as the computation's last moment, so that all
// its moments see one version of the file. A computation needs a few decades
// of the table's two centuries.
class PlutoSource {
  public:
    // Throws InputOutputError when folder + "pluto.sys" cannot be read.
    PlutoSource(const std::string& folder, PlutoTableCache& cache,
                EphemerisDay lastMoment = std::numeric_limits<EphemerisDay>::infinity());

    // Pluto's geocentric ecliptic longitude [degrees, 0..360) at the moment, no
    // later than the last moment: the integer of line Trunc(moment) plus
    // 0.0045. Throws InputOutputError when that line's record is not an
    // integer or the table has no such day.
    double Longitude(EphemerisDay moment) const;

  private:
    std::string path_;
    EphemerisDay lastMoment_;
    PlutoTable table_;
};

}  // namespace nevalorum
