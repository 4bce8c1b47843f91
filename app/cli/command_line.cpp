#include "app/cli/command_line.h"

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "ephemeris/time_scale.h"

namespace nevalorum {

const std::string& ParsedOptions::Required(const std::string& name) const {
    auto found = Values.find(name);
    if (found == Values.end()) {
        throw UsageError(Format(Translate("Missing option %s"), name.c_str()));
    }
    return found->second;
}

std::string ParsedOptions::ValueOr(const std::string& name, const std::string& fallback) const {
    auto found = Values.find(name);
    return found == Values.end() ? fallback : found->second;
}

InfoRequest FindInfoRequest(const std::vector<std::string>& arguments,
                            const std::set<std::string>& valueOptions) {
    InfoRequest request = InfoRequest::None;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (valueOptions.count(argument) != 0) {
            ++i;
        } else if (argument == "--help" || argument == "-h") {
            return InfoRequest::Help;
        } else if (argument == "--version") {
            request = InfoRequest::Version;
        }
    }
    return request;
}

ParsedOptions ParseOptions(const std::vector<std::string>& arguments,
                           const std::set<std::string>& valueOptions,
                           const std::set<std::string>& flagOptions) {
    ParsedOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (flagOptions.count(argument) != 0) {
            options.Flags.insert(argument);
        } else if (valueOptions.count(argument) != 0) {
            if (i + 1 == arguments.size()) {
                throw UsageError(Format(Translate("Option %s needs a value"), argument.c_str()));
            }
            options.Values[argument] = arguments[++i];
        } else {
            throw UsageError(Format(Translate("Unknown argument '%s'"), argument.c_str()));
        }
    }
    return options;
}

namespace {

// The decimal numbers of a text made of fields between separators, each field
// of the given least and most digits; none when the text has another form.
std::optional<std::vector<int>> NumberFields(std::string_view text, char separator,
                                             std::vector<std::pair<int, int>> digits) {
    std::vector<int> numbers;
    for (std::size_t field = 0; field < digits.size(); ++field) {
        if (field > 0) {
            if (text.empty() || text.front() != separator) {
                return std::nullopt;
            }
            text.remove_prefix(1);
        }
        int count = 0;
        int number = 0;
        // One digit past the most is enough to refuse the field, and keeps the number small.
        while (count <= digits[field].second && count < static_cast<int>(text.size()) &&
               text[count] >= '0' && text[count] <= '9') {
            number = number * 10 + (text[count] - '0');
            ++count;
        }
        if (count < digits[field].first || count > digits[field].second) {
            return std::nullopt;
        }
        text.remove_prefix(static_cast<std::size_t>(count));
        numbers.push_back(number);
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return numbers;
}

}  // namespace

CalendarDate ParseDateText(const std::string& text) {
    CalendarDate date;
    if (const auto fields = NumberFields(text, '.', {{1, 2}, {1, 2}, {1, 4}})) {
        date = {.Day = (*fields)[0], .Month = (*fields)[1], .Year = (*fields)[2]};
    } else if (const auto fields = NumberFields(text, '-', {{1, 4}, {1, 2}, {1, 2}})) {
        date = {.Day = (*fields)[2], .Month = (*fields)[1], .Year = (*fields)[0]};
    } else {
        throw Error(Format(Translate("'%s' is not a date: write it as D.M.YYYY or YYYY-MM-DD"),
                           text.c_str()));
    }
    return date;
}

CalendarDate ParseDate(const std::string& text) {
    const CalendarDate date = ParseDateText(text);
    if (!CalendarDateExists(date)) {
        throw Error(Format(Translate("The date '%s' does not exist"), text.c_str()));
    }
    return date;
}

CalendarMonth ParseMonth(const std::string& text) {
    CalendarMonth month;
    if (const auto fields = NumberFields(text, '.', {{1, 2}, {1, 4}})) {
        month = {.Year = (*fields)[1], .Month = (*fields)[0]};
    } else if (const auto fields = NumberFields(text, '-', {{1, 4}, {1, 2}})) {
        month = {.Year = (*fields)[0], .Month = (*fields)[1]};
    } else {
        throw Error(
            Format(Translate("'%s' is not a month: write it as M.YYYY or YYYY-MM"), text.c_str()));
    }
    if (month.Month < 1 || month.Month > 12 || month.Year < 1) {
        throw Error(Format(Translate("The month '%s' does not exist"), text.c_str()));
    }
    return month;
}

int ParseTopic(const std::string& text) {
    static const char* const names[] = {"finance", "business", "love",  "sex",
                                        "auto",    "vacation", "health"};
    for (int topic = 1; topic <= 7; ++topic) {
        if (text == names[topic - 1] || text == std::to_string(topic)) {
            return topic;
        }
    }
    throw Error(Format(Translate("'%s' is not a topic: write 1 to 7 or finance, business, love, "
                                 "sex, auto, vacation, health"),
                       text.c_str()));
}

ClockTime ParseTime(const std::string& text) {
    std::optional<std::vector<int>> fields = NumberFields(text, ':', {{1, 2}, {2, 2}, {2, 2}});
    if (!fields) {
        fields = NumberFields(text, ':', {{1, 2}, {2, 2}});
    }
    if (!fields) {
        throw Error(
            Format(Translate("'%s' is not a time: write it as HH:MM or HH:MM:SS"), text.c_str()));
    }
    ClockTime time{.Hour = (*fields)[0],
                   .Minute = (*fields)[1],
                   .Second = fields->size() == 3 ? (*fields)[2] : 0};
    if (time.Hour > 23 || time.Minute > 59 || time.Second > 59) {
        throw Error(Format(Translate("The time '%s' does not exist"), text.c_str()));
    }
    return time;
}

}  // namespace nevalorum
