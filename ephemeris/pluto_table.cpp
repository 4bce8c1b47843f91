#include "ephemeris/pluto_table.h"

#include <cerrno>
#include <cstdio>

#include "common/conversion.h"
#include "common/errors.h"

namespace nevalorum {
namespace {

// The longest text a record's number may have.
constexpr std::size_t MaxRecordLength = 32;

bool IsBlankOrLineEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads a decimal integer with an optional sign; nothing else may follow.
std::optional<std::int32_t> RecordValue(const std::string& token) {
    if (token.size() > MaxRecordLength) {
        return std::nullopt;
    }
    try {
        return ParseInteger(token);
    } catch (const ConversionError&) {
        return std::nullopt;  // reported by the caller as a malformed table record
    }
}

}  // namespace

PlutoTable ParsePlutoTable(const std::string& text) {
    PlutoTable table;
    std::size_t position = 0;
    const std::size_t end = text.size();
    while (true) {
        while (position < end && IsBlankOrLineEnd(text[position])) {
            ++position;
        }
        if (position == end) {
            return table;
        }
        const std::size_t start = position;
        while (position < end && !IsBlankOrLineEnd(text[position])) {
            ++position;
        }
        const std::string token = text.substr(start, position - start);
        // A leading blank would be accepted by ParseInteger; the token has none.
        const std::optional<std::int32_t> value = RecordValue(token);
        if (!value) {
            table.InvalidRecord = token;
            return table;
        }
        table.Degrees.push_back(*value);
        // The rest of the record's line is ignored.
        while (position < end && text[position] != '\n' && text[position] != '\r') {
            ++position;
        }
    }
}

PlutoSource::PlutoSource(const std::string& folder, PlutoTableCache& cache)
    : path_(folder + "pluto.sys"), table_(cache.Get(path_, ParsePlutoTable)) {
    if (table_ == nullptr) {
        throw NoRegularFileError(path_);
    }
}

double PlutoSource::Longitude(EphemerisDay moment) const {
    const double day = Int(moment);
    const auto recordCount = static_cast<double>(table_->Degrees.size());
    if (day >= 1 && day <= recordCount) {
        const double longitude = table_->Degrees[static_cast<std::size_t>(day) - 1] + 0.0045;
        return NormalizeDegrees(longitude);
    }
    if (day > recordCount && table_->InvalidRecord) {
        throw InputOutputError("Invalid numeric format in " + path_ + ", record " +
                               std::to_string(table_->Degrees.size() + 1) + ": '" +
                               *table_->InvalidRecord + "'");
    }
    char dayText[32];
    std::snprintf(dayText, sizeof dayText, "%.0f", day + 0.0);  // + 0.0 turns -0 into 0
    throw InputOutputError("Pluto table " + path_ + " has no day " + dayText);
}

}  // namespace nevalorum
