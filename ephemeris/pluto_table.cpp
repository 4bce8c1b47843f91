#include "ephemeris/pluto_table.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

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

PlutoTable ParsePlutoTable(const std::string& text, std::size_t count) {
    PlutoTable table;
    std::vector<std::int32_t>& degrees = table.Degrees;
    // A record takes two bytes at the least, a digit and a line end: room for
    // them all at once.
    degrees.reserve(std::min(text.size() / 2 + 1, count));
    const char* position = text.data();
    const char* const end = text.data() + text.size();
    while (degrees.size() < count) {
        // The table's own lines, up to three digits and CR LF, are taken first,
        // without a bound check per byte while five bytes are left.
        while (end - position >= 5 && degrees.size() < count) {
            unsigned value = static_cast<unsigned char>(position[0]) - unsigned{'0'};
            if (value > 9) {
                break;
            }
            const char* next = position + 1;
            for (unsigned digit; next < position + 3 &&
                                 (digit = static_cast<unsigned char>(*next) - unsigned{'0'}) <= 9;
                 ++next) {
                value = value * 10 + digit;
            }
            if (next[0] != '\r' || next[1] != '\n') {
                break;
            }
            degrees.push_back(static_cast<std::int32_t>(value));
            position = next + 2;
        }
        if (degrees.size() == count) {
            break;
        }
        // The table's own lines, a number of up to nine digits and a line end,
        // are taken in one step.
        const char* digitEnd = position;
        std::uint32_t plain = 0;
        unsigned plainDigit = 0;
        while (digitEnd < end && digitEnd - position < 9 &&
               (plainDigit = static_cast<unsigned char>(*digitEnd) - unsigned{'0'}) <= 9) {
            plain = plain * 10 + plainDigit;
            ++digitEnd;
        }
        if (digitEnd > position && digitEnd < end && (*digitEnd == '\n' || *digitEnd == '\r')) {
            degrees.push_back(static_cast<std::int32_t>(plain));
            position = digitEnd + 1;
            if (*digitEnd == '\r' && position < end && *position == '\n') {
                ++position;
            }
            continue;
        }
        while (position < end && IsBlankOrLineEnd(*position)) {
            ++position;
        }
        if (position == end) {
            break;
        }
        const char* const start = position;
        // The usual record, a short decimal number, is read in the one pass that
        // finds its end; anything else goes through ParseInteger's rules.
        const bool negative = *position == '-';
        if (*position == '-' || *position == '+') {
            ++position;
        }
        const char* const digits = position;
        std::uint64_t magnitude = 0;  // wraps only for tokens too long to be read here
        unsigned digit = 0;
        while (position < end &&
               (digit = static_cast<unsigned char>(*position) - unsigned{'0'}) <= 9) {
            magnitude = magnitude * 10 + digit;
            ++position;
        }
        const std::ptrdiff_t length = position - digits;
        const std::int64_t value =
            negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        if (length > 0 && length <= 10 && (position == end || IsBlankOrLineEnd(*position)) &&
            value >= INT32_MIN && value <= INT32_MAX) {
            degrees.push_back(static_cast<std::int32_t>(value));
        } else {
            while (position < end && !IsBlankOrLineEnd(*position)) {
                ++position;
            }
            const std::string token(start, position);
            // A leading blank would be accepted by ParseInteger; the token has none.
            const std::optional<std::int32_t> record = RecordValue(token);
            if (!record) {
                table.InvalidRecord = token;
                break;
            }
            degrees.push_back(*record);
        }
        // The rest of the record's line is ignored.
        while (position < end && *position != '\n' && *position != '\r') {
            ++position;
        }
    }
    return table;
}

namespace {

// The records of the table text at path as far as the day of lastMoment.
PlutoTable ReadPlutoTable(const std::string& path, PlutoTableCache& cache,
                          EphemerisDay lastMoment) {
    const std::shared_ptr<const std::string> text =
        cache.Get(path, [](std::string bytes) { return bytes; });
    if (text == nullptr) {
        throw NoRegularFileError(path);
    }
    const double lastDay = Int(lastMoment);
    return ParsePlutoTable(*text, lastDay < 1      ? 0
                                  : lastDay < 1e15 ? static_cast<std::size_t>(lastDay)
                                                   : SIZE_MAX);
}

}  // namespace

PlutoSource::PlutoSource(const std::string& folder, PlutoTableCache& cache, EphemerisDay lastMoment)
    : path_(folder + "pluto.sys"),
      lastMoment_(lastMoment),
      table_(ReadPlutoTable(path_, cache, lastMoment)) {}

double PlutoSource::Longitude(EphemerisDay moment) const {
    if (!(moment <= lastMoment_)) {
        throw std::logic_error("Pluto's table was read only as far as an earlier moment");
    }
    const double day = Int(moment);
    if (day >= 1) {
        const std::vector<std::int32_t>& records = table_.Degrees;
        if (day <= static_cast<double>(records.size())) {
            return NormalizeDegrees(records[static_cast<std::size_t>(day) - 1] + 0.0045);
        }
        if (table_.InvalidRecord) {
            throw InputOutputError("Invalid numeric format in " + path_ + ", record " +
                                   std::to_string(records.size() + 1) + ": '" +
                                   *table_.InvalidRecord + "'");
        }
    }
    char dayText[32];
    std::snprintf(dayText, sizeof dayText, "%.0f", day + 0.0);  // + 0.0 turns -0 into 0
    throw InputOutputError("Pluto table " + path_ + " has no day " + dayText);
}

}  // namespace nevalorum
