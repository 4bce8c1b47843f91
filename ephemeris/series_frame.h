#pragma once
// The frame that every series routine shares: angle constants, the reduction by
// whole turns, the obliquity of date and the common final step.

#include <array>
#include <span>

#include "ephemeris/series.h"

namespace nevalorum::series {

// Arcseconds in one radian.
inline constexpr double ArcsecondsPerRadian = 206264.806247;
// The full turn used by the reductions.
inline constexpr double FullTurn = 6.28318530718;

// x - 2pi Trunc(x / 2pi): a negative angle stays negative.
double ReduceTurns(double x);

// Obliquity of the ecliptic of date [radians].
double ObliquityOfDate(double t);

// Reduces the longitude by whole turns and forms the equatorial rectangular
// vector from longitude, latitude [radians] and radius [AU] with the obliquity of date.
SeriesResult FinalStep(double longitude, double latitude, double radius, double t);

// Latitude [radians] from its sine s.
double LatitudeFromSine(double s);

// One periodic term of a series table: Amplitude * cos(sum of Multipliers[i] *
// arguments[i] + Phase). Each table names the order of its arguments; unused
// multipliers are zero.
struct PeriodicTerm {
    double Amplitude;
    std::array<double, 5> Multipliers;
    double Phase;
};
using SeriesArguments = std::array<double, 5>;

// Adds the terms of a table to sum, one after the other in table order.
double AccumulateCosines(double sum, std::span<const PeriodicTerm> terms,
                         const SeriesArguments& arguments);

}  // namespace nevalorum::series
