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
#include "common/files.h"

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

PlutoTableParser::PlutoTableParser(std::size_t firstDay, std::size_t lastDay, std::size_t sizeHint)
    : lastDay_(lastDay) {
    table_.FirstDay = std::max<std::size_t>(firstDay, 1);
    // A record takes two bytes at the least, a digit and a line end: room for
    // them all at once.
    if (lastDay >= table_.FirstDay) {
        table_.Degrees.reserve(std::min(sizeHint / 2 + 1, lastDay - table_.FirstDay + 1));
    }
}

void PlutoTableParser::Add(std::int32_t degrees) {
    if (++table_.RecordCount >= table_.FirstDay) {
        table_.Degrees.push_back(degrees);
    }
}

bool PlutoTableParser::Parse(std::string_view piece) {
    const std::size_t count = lastDay_;
    std::size_t& records = table_.RecordCount;
    if (table_.InvalidRecord) {
        return false;
    }
    const char* position = piece.data();
    const char* const end = piece.data() + piece.size();
    while (records < count) {
        // The table's own lines, up to three digits and CR LF, are taken first,
        // without a bound check per byte while five bytes are left.
        while (end - position >= 5 && records < count) {
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
            Add(static_cast<std::int32_t>(value));
            position = next + 2;
        }
        if (records == count) {
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
            Add(static_cast<std::int32_t>(plain));
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
            Add(static_cast<std::int32_t>(value));
        } else {
            while (position < end && !IsBlankOrLineEnd(*position)) {
                ++position;
            }
            const std::string token(start, position);
            // A leading blank would be accepted by ParseInteger; the token has none.
            const std::optional<std::int32_t> record = RecordValue(token);
            if (!record) {
                table_.InvalidRecord = token;
                return false;
            }
            Add(*record);
        }
        // The rest of the record's line is ignored.
        while (position < end && *position != '\n' && *position != '\r') {
            ++position;
        }
    }
    return records < count;
}

PlutoTable ParsePlutoTable(std::string_view text, std::size_t count) {
    PlutoTableParser parser(1, count, text.size());
    parser.Parse(text);
    return parser.Finish();
}

namespace {

// A moment's day as a count of table records: none before day 1, and as many
// as there may be for days too large to count.
std::size_t DayNumber(EphemerisDay moment) {
    const double day = Int(moment);
    return day < 1 ? 0 : day < 1e15 ? static_cast<std::size_t>(day) : SIZE_MAX;
}

// The records of the table file at path from the day of firstMoment as far as
// that of lastMoment.
PlutoTable ReadPlutoTable(const std::string& path, EphemerisDay firstMoment,
                          EphemerisDay lastMoment) {
    const std::optional<OpenedFile> file = OpenedFile::OpenIfPresent(path);
    if (!file) {
        throw NoRegularFileError(path);
    }
    PlutoTableParser parser(DayNumber(firstMoment), DayNumber(lastMoment),
                            static_cast<std::size_t>(file->Stamp().Size));
    file->ReadLinePieces([&](std::string_view piece) { return parser.Parse(piece); });
    return parser.Finish();
}

}  // namespace

PlutoSource::PlutoSource(const std::string& folder, EphemerisDay lastMoment,
                         EphemerisDay firstMoment)
    : path_(folder + "pluto.sys"),
      firstMoment_(firstMoment),
      lastMoment_(lastMoment),
      table_(ReadPlutoTable(path_, firstMoment, lastMoment)) {}

double PlutoSource::Longitude(EphemerisDay moment) const {
    if (!(moment >= firstMoment_ && moment <= lastMoment_)) {
        throw std::logic_error("Pluto's table was read only for other moments");
    }
    const double day = Int(moment);
    if (day >= 1) {
        const std::size_t number = DayNumber(moment);
        if (number <= table_.RecordCount) {
            return NormalizeDegrees(table_.Degrees[number - table_.FirstDay] + 0.0045);
        }
        if (table_.InvalidRecord) {
            throw InputOutputError("Invalid numeric format in " + path_ + ", record " +
                                   std::to_string(table_.RecordCount + 1) + ": '" +
                                   *table_.InvalidRecord + "'");
        }
    }
    char dayText[32];
    std::snprintf(dayText, sizeof dayText, "%.0f", day + 0.0);  // + 0.0 turns -0 into 0
    throw InputOutputError("Pluto table " + path_ + " has no day " + dayText);
}

}  // namespace nevalorum
