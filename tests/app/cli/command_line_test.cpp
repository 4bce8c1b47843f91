#include "app/cli/command_line.h"

#include <gtest/gtest.h>

namespace nevalorum {
namespace {

TEST(ParseDate, BothFormsAndDaysThatExist) {
    struct Case {
        const char* text;
        int day, month, year;
    };
    const Case cases[] = {
        {"5.3.1970", 5, 3, 1970},   {"05.03.1970", 5, 3, 1970},   {"1970-03-05", 5, 3, 1970},
        {"29.2.2024", 29, 2, 2024}, {"2000-02-29", 29, 2, 2000},  {"15.10.1582", 15, 10, 1582},
        {"4.10.1582", 4, 10, 1582}, {"31.12.9999", 31, 12, 9999},
    };
    for (const Case& c : cases) {
        const CalendarDate date = ParseDate(c.text);
        EXPECT_EQ(date.Day, c.day) << c.text;
        EXPECT_EQ(date.Month, c.month) << c.text;
        EXPECT_EQ(date.Year, c.year) << c.text;
    }
}

TEST(ParseDate, RejectsMalformedAndNonexistentDates) {
    for (const char* text :
         {"29.2.2023", "29.2.1900", "31.4.2001", "0.1.2000", "1.13.2000", "1.0.2000", "10.10.1582",
          "1.1.0", "2001-02-30", "5/3/1970", "", "1.1.2000x", "a.b.c", "166666666666.1.2000",
          "1.1.20000000000", "12345-1-1"}) {
        EXPECT_THROW(ParseDate(text), Error) << text;
    }
}

TEST(ParseTime, ClockTimes) {
    const ClockTime time = ParseTime("09:05:07");
    EXPECT_EQ(time.Hour, 9);
    EXPECT_EQ(time.Minute, 5);
    EXPECT_EQ(time.Second, 7);
    EXPECT_EQ(ParseTime("23:59").Second, 0);
    for (const char* text : {"24:00", "12:60", "12:00:60", "12", "12:5", "noon"}) {
        EXPECT_THROW(ParseTime(text), Error) << text;
    }
}

TEST(ParseOptions, ValuesFlagsAndMistakes) {
    const ParsedOptions options =
        ParseOptions({"--date", "1.1.2000", "--json"}, {"--date", "--time"}, {"--json"});
    EXPECT_EQ(options.Required("--date"), "1.1.2000");
    EXPECT_TRUE(options.Flag("--json"));
    EXPECT_EQ(options.ValueOr("--time", "12:00"), "12:00");
    EXPECT_THROW(options.Required("--time"), UsageError);
    EXPECT_THROW(ParseOptions({"--date"}, {"--date"}, {}), UsageError);
    EXPECT_THROW(ParseOptions({"--bogus"}, {"--date"}, {}), UsageError);
    EXPECT_THROW(ParseOptions({"stray"}, {"--date"}, {}), UsageError);
}

TEST(FindInfoRequest, HelpWinsOverVersionAndEverythingButAnOptionsValue) {
    struct Case {
        std::vector<std::string> arguments;
        InfoRequest expected;
    };
    const Case cases[] = {
        {{}, InfoRequest::None},
        {{"--date", "1.1.2000", "--json"}, InfoRequest::None},
        {{"--help"}, InfoRequest::Help},
        {{"-h"}, InfoRequest::Help},
        {{"--version"}, InfoRequest::Version},
        {{"--date", "1.1.2000", "--version"}, InfoRequest::Version},
        {{"--version", "--help"}, InfoRequest::Help},
        {{"--help", "--version"}, InfoRequest::Help},
        {{"--name", "--help"}, InfoRequest::None},
        {{"--name", "-h", "--topic", "--version"}, InfoRequest::None},
        {{"--name", "-h", "--help"}, InfoRequest::Help},
        {{"--name", "--version", "--version"}, InfoRequest::Version},
        {{"--json", "--help"}, InfoRequest::Help},
        {{"--bogus", "--version"}, InfoRequest::Version},
        {{"--helpful", "-help", "--Version", "--version=1", "-v", "help"}, InfoRequest::None},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& argument : c.arguments) {
            line += argument + ' ';
        }
        EXPECT_EQ(FindInfoRequest(c.arguments, {"--name", "--topic"}), c.expected) << line;
    }
}

}  // namespace
}  // namespace nevalorum

namespace nevalorum {
namespace {

TEST(ParseMonth, BothFormsAndMistakes) {
    struct Case {
        const char* text;
        int month, year;
    };
    const Case cases[] = {
        {"3.2009", 3, 2009}, {"12.2026", 12, 2026}, {"2009-03", 3, 2009}, {"2026-1", 1, 2026}};
    for (const Case& c : cases) {
        const CalendarMonth month = ParseMonth(c.text);
        EXPECT_EQ(month.Month, c.month) << c.text;
        EXPECT_EQ(month.Year, c.year) << c.text;
    }
    for (const char* text : {"13.2009", "0.2009", "2009-13", "3/2009", "march", "3.2009.1", ""}) {
        EXPECT_THROW(ParseMonth(text), Error) << text;
    }
}

TEST(ParseTopic, NumbersAndNames) {
    const std::pair<const char*, int> cases[] = {{"1", 1},        {"finance", 1}, {"business", 2},
                                                 {"love", 3},     {"sex", 4},     {"auto", 5},
                                                 {"vacation", 6}, {"health", 7},  {"7", 7}};
    for (const auto& [text, topic] : cases) {
        EXPECT_EQ(ParseTopic(text), topic) << text;
    }
    for (const char* text : {"0", "8", "Love", "01", ""}) {
        EXPECT_THROW(ParseTopic(text), Error) << text;
    }
}

}  // namespace
}  // namespace nevalorum
