// The command line's values: dates, months, times, topics, and the options.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "common/errors.h"
#include "fuzz/fuzz_support.h"

using namespace nevalorum;

namespace {

// Runs the parse; a refusal is accepted, and a result must pass the check.
template <typename Parse, typename Check>
void Try(Parse parse, Check check) {
    try {
        check(parse());
    } catch (const Error&) {
    } catch (const UsageError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(64);

    Try([&] { return ParseDateText(text); },
        [](const CalendarDate& date) {
            if (date.Day < 0 || date.Day > 99 || date.Month < 0 || date.Month > 99 ||
                date.Year < 0 || date.Year > 9999) {
                fuzzing::Fail("a date text has more digits than its form");
            }
        });
    Try([&] { return ParseDate(text); },
        [&](const CalendarDate& date) {
            if (!CalendarDateExists(date) || date.Year < 1 || date.Year > 9999 ||
                !(ParseDateText(text) == date)) {
                fuzzing::Fail("a date that does not exist was accepted");
            }
        });
    Try([&] { return ParseMonth(text); },
        [](const CalendarMonth& month) {
            if (month.Month < 1 || month.Month > 12 || month.Year < 1 || month.Year > 9999) {
                fuzzing::Fail("a month that does not exist was accepted");
            }
        });
    Try([&] { return ParseTime(text); },
        [](const ClockTime& time) {
            if (time.Hour < 0 || time.Hour > 23 || time.Minute < 0 || time.Minute > 59 ||
                time.Second < 0 || time.Second > 59) {
                fuzzing::Fail("a time that does not exist was accepted");
            }
        });
    Try([&] { return ParseTopic(text); },
        [](int topic) {
            if (topic < 1 || topic > 7) {
                fuzzing::Fail("a topic outside 1 to 7 was accepted");
            }
        });

    // The rest as arguments, one per line, for a sub-command's options.
    std::vector<std::string> arguments;
    while (input.remaining_bytes() > 0) {
        arguments.push_back(input.ConsumeRandomLengthString(32));
    }
    Try(
        [&] {
            return ParseOptions(arguments, {"--date", "--time", "--workdir"}, {"--json"});
        },
        [&](const ParsedOptions& options) {
            for (const auto& [name, value] : options.Values) {
                if (name != "--date" && name != "--time" && name != "--workdir") {
                    fuzzing::Fail("an option that takes no value got one");
                }
            }
            for (const std::string& flag : options.Flags) {
                if (flag != "--json") {
                    fuzzing::Fail("an unknown flag was accepted");
                }
            }
        });
    return 0;
}
