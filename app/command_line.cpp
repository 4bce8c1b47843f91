#include "app/command_line.h"

#include <regex>

#include "ephemeris/time_scale.h"

namespace nevalorum {

const std::string& ParsedOptions::Required(const std::string& name) const {
    auto found = Values.find(name);
    if (found == Values.end()) {
        throw UsageError("Missing option " + name);
    }
    return found->second;
}

std::string ParsedOptions::ValueOr(const std::string& name, const std::string& fallback) const {
    auto found = Values.find(name);
    return found == Values.end() ? fallback : found->second;
}

InfoRequest FindInfoRequest(const std::vector<std::string>& arguments) {
    InfoRequest request = InfoRequest::None;
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            return InfoRequest::Help;
        }
        if (argument == "--version") {
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
                throw UsageError("Option " + argument + " needs a value");
            }
            options.Values[argument] = arguments[++i];
        } else {
            throw UsageError("Unknown argument '" + argument + "'");
        }
    }
    return options;
}

CalendarDate ParseDateText(const std::string& text) {
    static const std::regex dayFirst(R"((\d{1,2})\.(\d{1,2})\.(\d{1,4}))");
    static const std::regex yearFirst(R"((\d{1,4})-(\d{1,2})-(\d{1,2}))");
    std::smatch match;
    CalendarDate date;
    if (std::regex_match(text, match, dayFirst)) {
        date = {
            .Day = std::stoi(match[1]), .Month = std::stoi(match[2]), .Year = std::stoi(match[3])};
    } else if (std::regex_match(text, match, yearFirst)) {
        date = {
            .Day = std::stoi(match[3]), .Month = std::stoi(match[2]), .Year = std::stoi(match[1])};
    } else {
        throw Error("'" + text + "' is not a date: write it as D.M.YYYY or YYYY-MM-DD");
    }
    return date;
}

CalendarDate ParseDate(const std::string& text) {
    const CalendarDate date = ParseDateText(text);
    if (!CalendarDateExists(date)) {
        throw Error("The date '" + text + "' does not exist");
    }
    return date;
}

CalendarMonth ParseMonth(const std::string& text) {
    static const std::regex monthFirst(R"((\d{1,2})\.(\d{1,4}))");
    static const std::regex yearFirst(R"((\d{1,4})-(\d{1,2}))");
    std::smatch match;
    CalendarMonth month;
    if (std::regex_match(text, match, monthFirst)) {
        month = {.Year = std::stoi(match[2]), .Month = std::stoi(match[1])};
    } else if (std::regex_match(text, match, yearFirst)) {
        month = {.Year = std::stoi(match[1]), .Month = std::stoi(match[2])};
    } else {
        throw Error("'" + text + "' is not a month: write it as M.YYYY or YYYY-MM");
    }
    if (month.Month < 1 || month.Month > 12 || month.Year < 1) {
        throw Error("The month '" + text + "' does not exist");
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
    throw Error("'" + text +
                "' is not a topic: write 1 to 7 or finance, business, love, sex, auto, vacation, "
                "health");
}

ClockTime ParseTime(const std::string& text) {
    static const std::regex form(R"((\d{1,2}):(\d{2})(?::(\d{2}))?)");
    std::smatch match;
    if (!std::regex_match(text, match, form)) {
        throw Error("'" + text + "' is not a time: write it as HH:MM or HH:MM:SS");
    }
    ClockTime time{.Hour = std::stoi(match[1]),
                   .Minute = std::stoi(match[2]),
                   .Second = match[3].matched ? std::stoi(match[3]) : 0};
    if (time.Hour > 23 || time.Minute > 59 || time.Second > 59) {
        throw Error("The time '" + text + "' does not exist");
    }
    return time;
}

}  // namespace nevalorum
