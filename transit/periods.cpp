#include "transit/periods.h"

#include <algorithm>

namespace nevalorum {
namespace {

AspectKey KeyOf(const AspectHit& hit) {
    return {.TransitBody = hit.TransitBody, .Aspect = hit.Aspect, .NatalBody = hit.NatalBody};
}

// The days of the month picked by better (a strict order of values), those
// whose value passes keep, at most HighlightDays, in the order of the month.
template <typename Better, typename Keep>
std::vector<int> PickDays(const MonthInfluence& influence, Better better, Keep keep) {
    std::vector<const DayInfluence*> days;
    for (const DayInfluence& day : influence.Days) {
        if (keep(day.Value)) {
            days.push_back(&day);
        }
    }
    std::stable_sort(days.begin(), days.end(), [&](const DayInfluence* a, const DayInfluence* b) {
        return better(a->Value, b->Value);
    });
    days.resize(std::min(days.size(), HighlightDays));
    std::vector<int> picked;
    for (const DayInfluence* day : days) {
        picked.push_back(day->Day);
    }
    std::sort(picked.begin(), picked.end());
    return picked;
}

}  // namespace

MonthHighlights FindHighlights(const CalendarMonth& month, const MonthInfluence& influence) {
    return {.Month = month,
            .BestDays = PickDays(
                influence, [](double a, double b) { return a > b; },
                [](double value) { return value > 0; }),
            .WorstDays = PickDays(
                influence, [](double a, double b) { return a < b; },
                [](double value) { return value < 0; })};
}

ForecastPeriods FindPeriods(const CalendarMonth& start, std::span<const MonthInfluence> months) {
    ForecastPeriods result;
    // The periods still running: in force on the day before the one at hand.
    std::vector<std::size_t> open;
    for (std::size_t m = 0; m < months.size(); ++m) {
        const CalendarMonth month = start.Plus(static_cast<int>(m));
        for (const DayInfluence& day : months[m].Days) {
            const CalendarDate date{.Day = day.Day, .Month = month.Month, .Year = month.Year};
            std::vector<std::size_t> stillOpen;
            for (const AspectHit& hit : day.Hits) {
                const AspectKey key = KeyOf(hit);
                const auto running = std::find_if(open.begin(), open.end(), [&](std::size_t i) {
                    return result.Periods[i].Key == key;
                });
                if (running != open.end()) {
                    result.Periods[*running].Last = date;
                    stillOpen.push_back(*running);
                } else {
                    stillOpen.push_back(result.Periods.size());
                    result.Periods.push_back(
                        {.Key = key, .First = date, .Last = date, .Reading = hit.Reading});
                }
            }
            open = std::move(stillOpen);
        }
        result.Months.push_back(FindHighlights(month, months[m]));
    }
    return result;
}

}  // namespace nevalorum
