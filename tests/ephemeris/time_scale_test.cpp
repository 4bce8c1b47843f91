#include "ephemeris/time_scale.h"

#include <gtest/gtest.h>

namespace nevalorum {
namespace {

TEST(CalendarToEphemerisDay, KnownMoments) {
    struct Case {
        int day, month, year, hour, minute, second;
        double expected;
    };
    const Case cases[] = {
        {1, 1, 1900, 12, 0, 0, 1.0},
        {31, 12, 1899, 12, 0, 0, 0.0},
        {1, 1, 2000, 12, 0, 0, 36525.0},
        {15, 6, 1980, 12, 0, 0, 29386.0},
        {1, 1, 2000, 0, 0, 0, 36524.5},
        // The calendar change leaves no gap in the day count.
        {4, 10, 1582, 12, 0, 0, -115860.0},
        {15, 10, 1582, 12, 0, 0, -115859.0},
        {29, 2, 2024, 12, 0, 0, 45350.0},
        {1, 3, 2024, 12, 0, 0, 45351.0},
        {1, 1, 1, 12, 0, 0, -693596.0},
        // 1 BC is a Julian leap year, 366 days before year 1.
        {1, 1, -1, 12, 0, 0, -693962.0},
        // Values out of range give the later date the formula gives.
        {31, 4, 2001, 12, 0, 0, CalendarToEphemerisDay(1, 5, 2001, 12, 0, 0)},
        {1, 1, 2000, 15, 0, 0, 36525.125},
        {1, 1, 2000, 12, 11, 15, 36525.0078125},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(CalendarToEphemerisDay(c.day, c.month, c.year, c.hour, c.minute, c.second),
                    c.expected, 1e-6)
            << c.day << "." << c.month << "." << c.year << " " << c.hour << ":" << c.minute;
    }
}

TEST(EphemerisDayToCalendar, KnownMoments) {
    struct Case {
        double moment;
        CalendarMoment expected;
    };
    const Case cases[] = {
        {36525.125, {1, 1, 2000, 15, 0, 0}},
        {36525.0078125, {1, 1, 2000, 12, 11, 15}},
        {36524.5, {1, 1, 2000, 0, 0, 0}},
        {-115860.0, {4, 10, 1582, 12, 0, 0}},
        {-115859.0, {15, 10, 1582, 12, 0, 0}},
        // 1 BC comes back in astronomical numbering, as year 0.
        {-693962.0, {1, 1, 0, 12, 0, 0}},
        // Seconds are truncated, never rounded up: 12:00:59.9 stays 59.
        {36525.0 + 59.9 / 86400, {1, 1, 2000, 12, 0, 59}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EphemerisDayToCalendar(c.moment), c.expected) << c.moment;
    }
}

TEST(EphemerisDayToCalendar, RoundTripsEveryNoonFrom1583To2100) {
    const double first = CalendarToEphemerisDay(1, 1, 1583, 12, 0, 0);
    const double last = CalendarToEphemerisDay(31, 12, 2100, 12, 0, 0);
    CalendarMoment previous = EphemerisDayToCalendar(first - 1);
    int failures = 0;
    for (double moment = first; moment <= last && failures < 5; moment += 1.0) {
        const CalendarMoment date = EphemerisDayToCalendar(moment);
        const double back = CalendarToEphemerisDay(date.Day, date.Month, date.Year, date.Hour,
                                                   date.Minute, date.Second);
        // Each noon is the day after the previous one.
        const bool nextDay = date.Day == previous.Day + 1 ||
                             (date.Day == 1 && (date.Month == previous.Month % 12 + 1));
        if (back != moment || date.Hour != 12 || date.Minute != 0 || date.Second != 0 || !nextDay) {
            ADD_FAILURE() << "moment " << moment << " gives " << date.Day << "." << date.Month
                          << "." << date.Year << " " << date.Hour << ":" << date.Minute;
            ++failures;
        }
        previous = date;
    }
}

TEST(NormalizeDegrees, ReducesIntoOneTurn) {
    struct Case {
        double angle;
        double expected;
    };
    const Case cases[] = {
        {-30, 330}, {725.5, 5.5},   {360, 0},  {-360, 0},
        {0, 0},     {359.5, 359.5}, {-719, 1}, {109.0045, 109.0045},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(NormalizeDegrees(c.angle), c.expected, 1e-9) << c.angle;
    }
    // So small a negative angle that adding 360 rounds up to a full turn.
    EXPECT_EQ(NormalizeDegrees(-1e-14), 360.0);
}

TEST(CalendarMonth, PlusRollsOverTheYear) {
    struct Case {
        CalendarMonth start;
        int count;
        CalendarMonth expected;
    };
    const Case cases[] = {
        {{.Year = 2026, .Month = 9}, 0, {.Year = 2026, .Month = 9}},
        {{.Year = 2026, .Month = 9}, 3, {.Year = 2026, .Month = 12}},
        {{.Year = 2026, .Month = 9}, 4, {.Year = 2027, .Month = 1}},
        {{.Year = 2026, .Month = 12}, 5, {.Year = 2027, .Month = 5}},
        {{.Year = 2026, .Month = 1}, 12, {.Year = 2027, .Month = 1}},
        {{.Year = 2027, .Month = 1}, -1, {.Year = 2026, .Month = 12}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.start.Plus(c.count), c.expected) << c.start.Month << "+" << c.count;
    }
}

// A forecast month never has a 29 February.
TEST(DaysInMonth, FebruaryCountsTwentyEight) {
    int total = 0;
    for (int month = 1; month <= 12; ++month) {
        total += DaysInMonth[month];
    }
    EXPECT_EQ(DaysInMonth[2], 28);
    EXPECT_EQ(total, 365);
}

TEST(CalendarDateExists, DaysTheCalendarHas) {
    struct Case {
        CalendarDate date;
        bool exists;
    };
    const Case cases[] = {
        {{.Day = 29, .Month = 2, .Year = 2024}, true},
        {{.Day = 29, .Month = 2, .Year = 2023}, false},
        {{.Day = 29, .Month = 2, .Year = 1900}, false},
        {{.Day = 29, .Month = 2, .Year = 2000}, true},
        {{.Day = 31, .Month = 4, .Year = 2001}, false},
        {{.Day = 5, .Month = 10, .Year = 1582}, false},
        {{.Day = 15, .Month = 10, .Year = 1582}, true},
        {{.Day = 0, .Month = 1, .Year = 2000}, false},
        {{.Day = 1, .Month = 13, .Year = 2000}, false},
        {{.Day = 1, .Month = 1, .Year = 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CalendarDateExists(c.date), c.exists)
            << c.date.Day << "." << c.date.Month << "." << c.date.Year;
    }
}

TEST(RoundingHelpers, TruncateTowardZero) {
    EXPECT_EQ(Int(-2.7), -2.0);
    EXPECT_EQ(Int(2.7), 2.0);
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_NEAR(Frac(-2.75), -0.75, 1e-15);
    EXPECT_NEAR(Frac(2.75), 0.75, 1e-15);
}

}  // namespace
}  // namespace nevalorum
