#pragma once
// The time scale of the program and the angle and rounding helpers that every
// position computation shares.

#include <array>
#include <cstdint>

namespace nevalorum {

// A moment: days since 1899-12-31 12:00 (Julian day number minus 2415020.0).
// EphemerisDay 1.0 is 1900-01-01 12:00, 36525.0 is 2000-01-01 12:00.
using EphemerisDay = double;

// Julian day number of EphemerisDay 0.0.
inline constexpr double EphemerisDayEpoch = 2415020.0;

// x truncated toward zero, as a floating value: Int(-2.7) = -2.0.
double Int(double x);
// x truncated toward zero, as an integer.
std::int64_t Trunc(double x);
// x - Int(x); it carries the sign of x.
double Frac(double x);

// Reduces an angle in degrees into [0, 360). A tiny negative angle for which
// adding 360 rounds back up yields exactly 360.0.
double NormalizeDegrees(double angle);

// A calendar date and clock time. Years are historical on input (no year 0:
// -1 is 1 BC) and astronomical on output (1 BC comes back as 0).
struct CalendarMoment {
    std::int32_t Day = 1;
    std::int32_t Month = 1;
    std::int32_t Year = 1900;
    std::int32_t Hour = 0;
    std::int32_t Minute = 0;
    std::int32_t Second = 0;

    bool operator==(const CalendarMoment&) const = default;
};

// A civil date: the birth date, a day of a forecast month.
struct CalendarDate {
    std::int32_t Day = 1;
    std::int32_t Month = 1;
    std::int32_t Year = 1900;

    bool operator==(const CalendarDate&) const = default;
};

// A month of a year: a forecast month, the first month of a run.
struct CalendarMonth {
    std::int32_t Year = 1900;
    std::int32_t Month = 1;

    bool operator==(const CalendarMonth&) const = default;

    // The month count months later: December plus one is January of the next year.
    CalendarMonth Plus(int count) const {
        const int index = Year * 12 + (Month - 1) + count;
        return {.Year = index / 12, .Month = index % 12 + 1};
    }
};

// Days a forecast month covers. February counts 28 in every year, leap years
// included: the 29th is never sampled, charted or written.
inline constexpr std::array<int, 13> DaysInMonth{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Julian calendar before 1582-10-15, Gregorian from then on. Values are not
// validated: Day 31 of a 30-day month is the 1st of the next month.
EphemerisDay CalendarToEphemerisDay(std::int32_t day, std::int32_t month, std::int32_t year,
                                    std::int32_t hour, std::int32_t minute, std::int32_t second);

// Noon of the date, the moment of every position the forecast computes.
EphemerisDay NoonOf(const CalendarDate& date);

// Minutes and seconds are truncated, never rounded up.
CalendarMoment EphemerisDayToCalendar(EphemerisDay moment);

// Whether the calendar has the day (year 1 or later): 31 April, 29 February of a
// common year and the days dropped in October 1582 do not come back unchanged
// from their moment.
bool CalendarDateExists(const CalendarDate& date);

}  // namespace nevalorum
