#pragma once
// The forecast as periods: each aspect found on a run of consecutive days is
// one period, from its first to its last day, with its strength and paragraph;
// and per month its best and worst days.

#include <span>
#include <vector>

#include "ephemeris/positions.h"
#include "ephemeris/time_scale.h"
#include "transit/interpretation.h"
#include "transit/month_influence.h"

namespace nevalorum {

// Which aspect: the transit body, the aspect angle and the natal body, the keys
// of a topic file's entry.
struct AspectKey {
    BodyNumber TransitBody = Sun;
    int Aspect = 0;  // angle [degrees]: 0, 60, 90, 120 or 180
    BodyNumber NatalBody = Sun;

    bool operator==(const AspectKey&) const = default;
};

// One aspect in force on every forecast day from First to Last. The forecast
// samples February's 28 days only, so a period running from the 28th of
// February into March covers a leap year's 29th as well.
struct InfluencePeriod {
    AspectKey Key;
    CalendarDate First;
    CalendarDate Last;
    Interpretation Reading;  // of the period's first day

    bool operator==(const InfluencePeriod&) const = default;
};

// The days of a month that stand out, each in the order of the month.
struct MonthHighlights {
    CalendarMonth Month;
    std::vector<int> BestDays;   // the highest day values above 0, at most HighlightDays
    std::vector<int> WorstDays;  // the lowest day values below 0, at most HighlightDays

    bool operator==(const MonthHighlights&) const = default;
};

inline constexpr std::size_t HighlightDays = 3;

struct ForecastPeriods {
    // In the order of their first day; periods of one day in the order the
    // aspects were found.
    std::vector<InfluencePeriod> Periods;
    std::vector<MonthHighlights> Months;  // one per month, in order
};

// The periods of consecutive months from start on (months[0] is start). A
// period may cross a month's end; one that breaks for a day and resumes is two
// periods. Periods at the forecast's first and last day are cut there.
ForecastPeriods FindPeriods(const CalendarMonth& start, std::span<const MonthInfluence> months);

// The month's best and worst days by their day values. A day's value is what
// the month curve shows at the day's middle point (twice the value), so these
// are the highest and lowest points of the chart. Of equal values the earlier
// day is taken.
MonthHighlights FindHighlights(const CalendarMonth& month, const MonthInfluence& influence);

}  // namespace nevalorum
