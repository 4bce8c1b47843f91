#include "transit/month_influence.h"

#include <algorithm>

#include <cmath>

#include "transit/orb.h"

namespace nevalorum {
namespace {

// Samples of the day values, each day three times in a row, zero after the last day.
constexpr std::size_t SampleCount = 100;

// The aspects of one day's transit positions to the natal positions.
std::vector<AspectHit> FindHits(const BodyLongitudes& natal, const BodyLongitudes& transit,
                                const TopicSource& topic) {
    std::vector<AspectHit> hits;
    for (BodyNumber transitBody : TransitBodies) {
        for (BodyNumber natalBody : NatalBodies) {
            const int aspect = FindAspect(AspectOrb, natal[natalBody], transit[transitBody]);
            if (aspect != NoAspect) {
                hits.push_back({.TransitBody = transitBody,
                                .Aspect = aspect,
                                .NatalBody = natalBody,
                                .Reading = topic.Lookup(transitBody, aspect, natalBody)});
            }
        }
    }
    return hits;
}

double DayValue(const std::vector<AspectHit>& hits) {
    std::int64_t sum = 0;
    for (const AspectHit& hit : hits) {
        sum += hit.Reading.Strength;
    }
    return static_cast<double>(sum) * 2.2;
}

}  // namespace

std::array<std::int32_t, MonthCurvePositions + 1> SmoothMonthCurve(
    const std::vector<double>& dayValues, std::int32_t monthCurveLength) {
    std::array<double, SampleCount> samples{};
    for (std::size_t day = 0; day < dayValues.size(); ++day) {
        for (std::size_t copy = 0; copy < 3; ++copy) {
            samples[3 * day + copy] = dayValues[day];
        }
    }
    std::array<std::int32_t, MonthCurvePositions + 1> curve{};
    for (std::int32_t k = 2; k <= monthCurveLength - 1; ++k) {
        const double smoothed = 0.5 * samples[k - 2] + samples[k - 1] + 0.5 * samples[k];
        curve[k] = static_cast<std::int32_t>(std::ceil(smoothed));
    }
    curve[1] = static_cast<std::int32_t>(std::ceil(dayValues.empty() ? 0.0 : dayValues[0]));
    curve[monthCurveLength] = curve[monthCurveLength - 1];
    return curve;
}

MonthInfluence ComputeMonthInfluence(const CalendarDate& birth, const CalendarMonth& forecast,
                                     const PlutoSource& pluto, const TopicSource& topic) {
    MonthInfluence month;
    month.NatalLongitudes = ComputeLongitudes(NoonOf(birth), NatalBodies, pluto);

    const int days = DaysInMonth[forecast.Month];
    month.MonthCurveLength = 3 * days + 3;
    EphemerisDay moment = NoonOf({.Day = 1, .Month = forecast.Month, .Year = forecast.Year});
    std::vector<double> dayValues;
    for (int day = 1; day <= days; ++day, moment += 1.0) {
        DayInfluence influence;
        influence.Day = day;
        influence.Moment = moment;
        influence.TransitLongitudes = ComputeLongitudes(moment, TransitBodies, pluto);
        influence.Hits = FindHits(month.NatalLongitudes, influence.TransitLongitudes, topic);
        influence.Value = DayValue(influence.Hits);
        dayValues.push_back(influence.Value);
        month.Days.push_back(std::move(influence));
    }
    month.MonthCurve = SmoothMonthCurve(dayValues, month.MonthCurveLength);
    return month;
}

EphemerisDay LastMomentOfMonths(const CalendarDate& birth, const CalendarMonth& first, int count) {
    const CalendarMonth last = first.Plus(count - 1);
    return std::max(
        NoonOf(birth),
        NoonOf({.Day = DaysInMonth[last.Month], .Month = last.Month, .Year = last.Year}));
}

}  // namespace nevalorum
