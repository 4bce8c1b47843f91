#pragma once
// Parsing of the command-line tool's arguments and values.

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/errors.h"
#include "ephemeris/time_scale.h"

namespace nevalorum {

// Wrong use of the command line: the tool prints the message and its usage.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The options of one sub-command: "--name value" pairs and bare "--flag"s.
struct ParsedOptions {
    std::map<std::string, std::string> Values;
    std::set<std::string> Flags;

    bool Has(const std::string& name) const { return Values.count(name) != 0; }
    bool Flag(const std::string& name) const { return Flags.count(name) != 0; }
    // The option's value; throws UsageError when a required option is missing.
    const std::string& Required(const std::string& name) const;
    std::string ValueOr(const std::string& name, const std::string& fallback) const;
};

// What a command line asks of a program before any work: its usage, its
// version, or neither.
enum class InfoRequest { None, Help, Version };

// --help (or -h) anywhere among the options asks for the usage, else --version
// for the version; the one asked for wins over everything else on the line. The
// argument after an option of valueOptions is that option's value, never a
// request: "--name -h" names a person "-h".
InfoRequest FindInfoRequest(const std::vector<std::string>& arguments,
                            const std::set<std::string>& valueOptions);

// Splits arguments into options; valueOptions take a value, flagOptions none.
// Throws UsageError for an unknown option, a missing value or a stray word.
ParsedOptions ParseOptions(const std::vector<std::string>& arguments,
                           const std::set<std::string>& valueOptions,
                           const std::set<std::string>& flagOptions);

struct ClockTime {
    int Hour = 12;
    int Minute = 0;
    int Second = 0;
};

// A date as D.M.YYYY or YYYY-MM-DD, read as written: whether the day exists is
// not checked. Throws Error naming the text when it has neither form.
CalendarDate ParseDateText(const std::string& text);

// A date as D.M.YYYY or YYYY-MM-DD, years 1 to 9999. Throws Error naming the
// text when it has neither form or names a day the calendar does not have.
CalendarDate ParseDate(const std::string& text);

// A month as M.YYYY or YYYY-MM, years 1 to 9999. Throws Error naming the text otherwise.
CalendarMonth ParseMonth(const std::string& text);

// A topic as its number 1 to 7 or its name: finance, business, love, sex, auto,
// vacation, health. Throws Error naming the text otherwise.
int ParseTopic(const std::string& text);

// A clock time as HH:MM or HH:MM:SS. Throws Error naming the text otherwise.
ClockTime ParseTime(const std::string& text);

}  // namespace nevalorum
