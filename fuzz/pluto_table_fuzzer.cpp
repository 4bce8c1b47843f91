// The Pluto table: its text parsed, and PlutoSource's lookups over it as a file.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/errors.h"
#include "ephemeris/pluto_table.h"
#include "fuzz/fuzz_support.h"

using namespace nevalorum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const PlutoTable parsed = ParsePlutoTable(text);
    const std::vector<std::int32_t>& degrees = parsed.Degrees;
    if (parsed.InvalidRecord && parsed.InvalidRecord->empty()) {
        fuzzing::Fail("an empty record was called invalid");
    }

    const std::string folder = fuzzing::ProcessFolder();
    fuzzing::WriteFile(folder + "pluto.sys", text);
    const PlutoSource pluto(folder);

    // Read in pieces that end at line ends, a few days kept, the table is the same.
    PlutoTableParser pieces(2, SIZE_MAX, text.size());
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t lineEnd = text.find_first_of("\r\n", begin);
        const std::size_t end = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
        if (!pieces.Parse(std::string_view(text).substr(begin, end - begin))) {
            break;
        }
        begin = end;
    }
    const PlutoTable pieced = pieces.Finish();
    if (pieced.RecordCount != degrees.size() || pieced.InvalidRecord != parsed.InvalidRecord ||
        !std::equal(pieced.Degrees.begin(), pieced.Degrees.end(),
                    degrees.begin() + std::min<std::size_t>(1, degrees.size()), degrees.end())) {
        fuzzing::Fail("the table read in pieces differs from the table read whole");
    }

    const auto records = static_cast<double>(degrees.size());
    // Days before the table, its first and last, past its end, and moments within a day.
    for (double moment : {-1.5, 0.0, 0.999, 1.0, 1.5, 2.25, records / 2 + 0.5, records,
                          records + 0.75, records + 1.0, records + 2.0, 1e12}) {
        const double day = std::trunc(moment);
        try {
            const double longitude = pluto.Longitude(moment);
            if (longitude != PlutoSource(folder, moment, moment).Longitude(moment)) {
                fuzzing::Fail("a table read for one day differs from the whole table");
            }
            if (!(day >= 1 && day <= records)) {
                fuzzing::Fail("a day outside the table has a longitude");
            }
            const std::int32_t record = degrees[static_cast<std::size_t>(day) - 1];
            if (!(longitude >= 0 && longitude <= 360) ||
                std::abs(std::remainder(longitude - record - 0.0045, 360.0)) > 1e-3) {
                fuzzing::Fail("the longitude is not the record's degrees");
            }
        } catch (const InputOutputError&) {
            if (day >= 1 && day <= records) {
                fuzzing::Fail("a day of the table has no longitude");
            }
        }
    }
    return 0;
}
