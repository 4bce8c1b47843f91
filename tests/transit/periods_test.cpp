#include "transit/periods.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::SourceDataFolder;

constexpr AspectKey VenusTrineJupiter{.TransitBody = Venus, .Aspect = 120, .NatalBody = Jupiter};
constexpr AspectKey MarsSquareSun{.TransitBody = Mars, .Aspect = 90, .NatalBody = Sun};
constexpr AspectKey MarsSextileSun{.TransitBody = Mars, .Aspect = 60, .NatalBody = Sun};

// The aspects of the listed days, each with its strength, in the order found.
using Hits = std::map<int, std::vector<std::pair<AspectKey, int>>>;

std::pair<AspectKey, int> trine(int strength) {
    return {VenusTrineJupiter, strength};
}
std::pair<AspectKey, int> square(int strength) {
    return {MarsSquareSun, strength};
}

// A month of the given length whose listed days hold the listed aspects; the
// day values are their sums.
MonthInfluence MonthWith(int days, const Hits& hits) {
    MonthInfluence month;
    for (int day = 1; day <= days; ++day) {
        DayInfluence influence;
        influence.Day = day;
        const auto found = hits.find(day);
        if (found != hits.end()) {
            for (const auto& [key, strength] : found->second) {
                influence.Hits.push_back({.TransitBody = key.TransitBody,
                                          .Aspect = key.Aspect,
                                          .NatalBody = key.NatalBody,
                                          .Reading = {.Paragraph = "p", .Strength = strength}});
                influence.Value += 2.2 * strength;
            }
        }
        month.Days.push_back(std::move(influence));
    }
    return month;
}

struct Span {
    AspectKey Key;
    CalendarDate First;
    CalendarDate Last;
    bool operator==(const Span&) const = default;
};

std::vector<Span> SpansOf(const ForecastPeriods& periods) {
    std::vector<Span> spans;
    for (const InfluencePeriod& period : periods.Periods) {
        spans.push_back({period.Key, period.First, period.Last});
    }
    return spans;
}

std::ostream& operator<<(std::ostream& out, const Span& span) {
    return out << span.Key.TransitBody << "/" << span.Key.Aspect << "/" << span.Key.NatalBody << " "
               << span.First.Day << "." << span.First.Month << "-" << span.Last.Day << "."
               << span.Last.Month;
}

TEST(FindPeriods, RunsOfConsecutiveDays) {
    struct Case {
        const char* name;
        CalendarMonth start;
        std::vector<MonthInfluence> months;
        std::vector<Span> expected;
    };
    const Case cases[] = {
        {"a period crosses the month's end",
         {.Year = 2027, .Month = 1},
         {MonthWith(31, Hits{{30, {trine(4)}}, {31, {trine(4)}}}),
          MonthWith(28, Hits{{1, {trine(4)}}, {2, {trine(4)}}})},
         {{VenusTrineJupiter, {30, 1, 2027}, {2, 2, 2027}}}},
        {"a break of one day makes two periods",
         {.Year = 2026, .Month = 11},
         {MonthWith(30, Hits{{3, {trine(4)}}, {4, {trine(4)}}, {6, {trine(4)}}})},
         {{VenusTrineJupiter, {3, 11, 2026}, {4, 11, 2026}},
          {VenusTrineJupiter, {6, 11, 2026}, {6, 11, 2026}}}},
        {"another aspect of the same pair is another period",
         {.Year = 2026, .Month = 11},
         {MonthWith(30, Hits{{3, {square(-2)}}, {4, {std::pair{MarsSextileSun, 3}}}})},
         {{MarsSquareSun, {3, 11, 2026}, {3, 11, 2026}},
          {MarsSextileSun, {4, 11, 2026}, {4, 11, 2026}}}},
        {"ordered by first day, then as found",
         {.Year = 2026, .Month = 12},
         {MonthWith(31, Hits{{1, {trine(4)}}, {2, {trine(4), square(-2)}}, {3, {square(-2)}}}),
          MonthWith(31, Hits{{1, {square(-2), trine(4)}}})},
         {{VenusTrineJupiter, {1, 12, 2026}, {2, 12, 2026}},
          {MarsSquareSun, {2, 12, 2026}, {3, 12, 2026}},
          {MarsSquareSun, {1, 1, 2027}, {1, 1, 2027}},
          {VenusTrineJupiter, {1, 1, 2027}, {1, 1, 2027}}}},
        // The 29th of a leap-year February is not sampled: the 28th and the
        // 1st of March are consecutive forecast days.
        {"February's 28th runs on into March",
         {.Year = 2028, .Month = 2},
         {MonthWith(28, Hits{{28, {square(-2)}}}), MonthWith(31, Hits{{1, {square(-2)}}})},
         {{MarsSquareSun, {28, 2, 2028}, {1, 3, 2028}}}},
        {"the last day of the forecast ends a period",
         {.Year = 2027, .Month = 4},
         {MonthWith(30, Hits{{30, {trine(4)}}})},
         {{VenusTrineJupiter, {30, 4, 2027}, {30, 4, 2027}}}},
    };
    for (const Case& c : cases) {
        const ForecastPeriods periods = FindPeriods(c.start, c.months);
        EXPECT_EQ(SpansOf(periods), c.expected) << c.name;
        ASSERT_EQ(periods.Months.size(), c.months.size()) << c.name;
        EXPECT_EQ(periods.Months.back().Month, c.start.Plus(static_cast<int>(c.months.size()) - 1))
            << c.name;
    }
}

TEST(FindHighlights, HighestAndLowestDays) {
    struct Case {
        const char* name;
        MonthInfluence month;
        std::vector<int> best;
        std::vector<int> worst;
    };
    const Case cases[] = {
        {"no aspect: no day stands out", MonthWith(30, {}), {}, {}},
        {"three highest, in the month's order; a day of value 0 is neither",
         MonthWith(30, Hits{{2, {trine(1)}},
                            {9, {trine(5)}},
                            {4, {trine(3)}},
                            {20, {trine(4)}},
                            {21, {trine(-1)}},
                            {22, {trine(-4)}}}),
         {4, 9, 20},
         {21, 22}},
        {"of equal values the earlier days",
         MonthWith(30,
                   Hits{{7, {trine(-2)}}, {3, {trine(-2)}}, {5, {trine(-2)}}, {1, {trine(-2)}}}),
         {},
         {1, 3, 5}},
    };
    for (const Case& c : cases) {
        const MonthHighlights highlights = FindHighlights({.Year = 2027, .Month = 3}, c.month);
        EXPECT_EQ(highlights.BestDays, c.best) << c.name;
        EXPECT_EQ(highlights.WorstDays, c.worst) << c.name;
    }
}

// Six months of a real forecast: every aspect of every day lies in exactly one
// period of its key, and no period could be longer.
TEST(FindPeriods, EveryHitOfARealForecastInOnePeriod) {
    TopicFileCache topicCache;
    const PlutoSource pluto(SourceDataFolder() + "System/");
    const TopicSource topic(SourceDataFolder() + "System/3.dat", topicCache);
    const CalendarMonth start{.Year = 2026, .Month = 11};
    std::vector<MonthInfluence> months;
    for (int m = 0; m < 6; ++m) {
        months.push_back(ComputeMonthInfluence({.Day = 5, .Month = 3, .Year = 1990}, start.Plus(m),
                                               pluto, topic));
    }
    const ForecastPeriods periods = FindPeriods(start, months);

    // Each forecast day by its moment, with the keys in force.
    std::vector<std::pair<CalendarDate, std::vector<AspectHit>>> days;
    for (int m = 0; m < 6; ++m) {
        for (const DayInfluence& day : months[m].Days) {
            days.push_back({{day.Day, start.Plus(m).Month, start.Plus(m).Year}, day.Hits});
        }
    }
    const auto indexOf = [&](const CalendarDate& date) {
        for (std::size_t i = 0; i < days.size(); ++i) {
            if (days[i].first == date) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    const auto holds = [&](int index, const AspectKey& key) {
        if (index < 0 || index >= static_cast<int>(days.size())) {
            return false;
        }
        for (const AspectHit& hit : days[index].second) {
            if (hit.TransitBody == key.TransitBody && hit.Aspect == key.Aspect &&
                hit.NatalBody == key.NatalBody) {
                return true;
            }
        }
        return false;
    };
    std::size_t hits = 0;
    for (const auto& day : days) {
        hits += day.second.size();
    }
    std::size_t covered = 0;
    for (const InfluencePeriod& period : periods.Periods) {
        const int first = indexOf(period.First);
        const int last = indexOf(period.Last);
        ASSERT_GE(first, 0);
        ASSERT_LE(first, last);
        EXPECT_FALSE(holds(first - 1, period.Key));
        EXPECT_FALSE(holds(last + 1, period.Key));
        for (int i = first; i <= last; ++i) {
            EXPECT_TRUE(holds(i, period.Key)) << period.First.Day << "." << period.First.Month;
        }
        covered += static_cast<std::size_t>(last - first + 1);
        EXPECT_NE(period.Reading.Strength, 0);
    }
    EXPECT_EQ(covered, hits);
    EXPECT_LT(periods.Periods.size(), hits / 3);
    for (std::size_t i = 1; i < periods.Periods.size(); ++i) {
        EXPECT_LE(indexOf(periods.Periods[i - 1].First), indexOf(periods.Periods[i].First));
    }
}

}  // namespace
}  // namespace nevalorum
