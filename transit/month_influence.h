#pragma once
// The month's influence: for every day of a forecast month, the aspects the
// transiting Sun, Mercury, Venus and Mars make to the birth positions, each
// weighed by its strength in the topic file, and the smoothed curve of the
// daily sums that the month chart draws.

#include <array>
#include <cstdint>
#include <vector>

#include "ephemeris/positions.h"
#include "transit/interpretation.h"

namespace nevalorum {

// The moving bodies and the birth-chart bodies, in the order they are tested.
inline constexpr std::array<BodyNumber, 4> TransitBodies{Sun, Mercury, Venus, Mars};
inline constexpr std::array<BodyNumber, 9> NatalBodies = ComputedBodies;

// Points of the month curve: positions 1 to 320.
inline constexpr int MonthCurvePositions = 320;

// One aspect in force on a day, with its interpretation from the topic file:
// the strength that scores the day and the paragraph the page writes.
struct AspectHit {
    BodyNumber TransitBody;
    int Aspect;  // angle [degrees]: 0, 60, 90, 120 or 180
    BodyNumber NatalBody;
    Interpretation Reading;

    bool operator==(const AspectHit&) const = default;
};

struct DayInfluence {
    int Day = 0;                         // 1 to the days of the month
    EphemerisDay Moment = 0;             // noon of the day
    BodyLongitudes TransitLongitudes{};  // of the transit bodies, by BodyNumber
    std::vector<AspectHit> Hits;         // in the order they are found
    double Value = 0;                    // 2.2 times the sum of the hits' strengths
};

struct MonthInfluence {
    BodyLongitudes NatalLongitudes{};  // at noon of the birth date, by BodyNumber
    std::vector<DayInfluence> Days;
    std::int32_t MonthCurveLength = 0;  // 3 x days + 3
    // Positions 1 to 320 (index 0 unused); positions above MonthCurveLength are 0.
    std::array<std::int32_t, MonthCurvePositions + 1> MonthCurve{};
};

// The last moment whose positions the computation of count months from first
// for the birth date asks for: noon of the last day of the last month, or of
// the birth date when that is later.
EphemerisDay LastMomentOfMonths(const CalendarDate& birth, const CalendarMonth& first, int count);

// Computes the forecast month for a person born on the birth date:
// natal positions at noon of the birth date, every day of the month at noon
// (February always counts 28 days), the aspects within AspectOrb, and the curve
// smoothed from the day values. Throws what the Pluto table and the topic file
// throw.
MonthInfluence ComputeMonthInfluence(const CalendarDate& birth, const CalendarMonth& forecast,
                                     const PlutoSource& pluto, const TopicSource& topic);

// The curve of the day values (day 1 first): each day sampled three times, the
// samples smoothed with weights 0.5, 1, 0.5 and rounded up, position 1 the
// first day's value alone, the last position a copy of the one before it.
std::array<std::int32_t, MonthCurvePositions + 1> SmoothMonthCurve(
    const std::vector<double>& dayValues, std::int32_t monthCurveLength);

}  // namespace nevalorum
