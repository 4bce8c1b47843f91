#pragma once
// Pluto's longitude from the day-by-day table file "pluto.sys": line k holds the
// longitude in whole degrees at noon of day k, day 1 being 1900-01-01.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ephemeris/time_scale.h"

namespace nevalorum {

// The records of one table file as a read from its first line sees them:
// before each record blanks, tabs and line ends are skipped; after its integer
// the rest of the line is ignored. Parsed once, then only read.
struct PlutoTable {
    // The day of Degrees[0].
    std::size_t FirstDay = 1;
    // Longitude [whole degrees] of the days from FirstDay on, as far as they
    // were asked for and the text or its first record that is no integer allows.
    std::vector<std::int32_t> Degrees;
    // How many records were read, the kept ones and those before them.
    std::size_t RecordCount = 0;
    // The text of the first record that is not an integer, if any: it is
    // record RecordCount + 1, and every later day is unreachable behind it.
    std::optional<std::string> InvalidRecord;
};

// Reads the records of a table text piece by piece, as far as a last day,
// keeping those from a first day on.
class PlutoTableParser {
  public:
    PlutoTableParser(std::size_t firstDay, std::size_t lastDay, std::size_t sizeHint);
    // Reads the piece's records: the next part of the text, ending with a line
    // end unless it is the text's last. False when no later record is wanted.
    bool Parse(std::string_view piece);
    PlutoTable Finish() { return std::move(table_); }

  private:
    void Add(std::int32_t degrees);
    std::size_t lastDay_;
    PlutoTable table_;
};

// The table of a whole text, every record kept as far as the first count.
PlutoTable ParsePlutoTable(std::string_view text, std::size_t count = SIZE_MAX);

// Pluto's table for one computation: the file read once, in pieces, as far as
// the computation's last moment, its days kept from the first moment on, so
// that all its moments see one version of the file and a single day costs
// only the text before it. A computation needs a few decades of the table's
// two centuries.
class PlutoSource {
  public:
    // Throws InputOutputError when folder + "pluto.sys" cannot be read.
    explicit PlutoSource(const std::string& folder,
                         EphemerisDay lastMoment = std::numeric_limits<EphemerisDay>::infinity(),
                         EphemerisDay firstMoment = -std::numeric_limits<EphemerisDay>::infinity());

    // Pluto's geocentric ecliptic longitude [degrees, 0..360) at the moment,
    // between the first and the last moment: the integer of line Trunc(moment)
    // plus 0.0045. Throws InputOutputError when that line's record is not an
    // integer or the table has no such day.
    double Longitude(EphemerisDay moment) const;

  private:
    std::string path_;
    EphemerisDay firstMoment_;
    EphemerisDay lastMoment_;
    PlutoTable table_;
};

}  // namespace nevalorum
