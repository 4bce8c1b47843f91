#pragma once
// Geocentric ecliptic longitudes of the Sun and the planets Mercury to Pluto,
// and the body table by BodyNumber.

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "ephemeris/pluto_table.h"
#include "ephemeris/series.h"
#include "ephemeris/time_scale.h"

namespace nevalorum {

// The Sun's geocentric equatorial rectangular vector [AU] of the moment last
// computed. Owned by the caller and passed to every position operation, which
// uses it as shared scratch.
struct SunVector {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// Julian centuries of 36525 days from 1900 January 0.5, from a Julian day number.
double JulianCenturies(double julianDay);

struct EclipticCoordinates {
    double Longitude = 0;  // [degrees], in (-90, 360) before normalisation
    double Latitude = 0;   // [degrees]
};

// Converts an equatorial rectangular vector to ecliptic coordinates with a fixed
// obliquity of 23.45 degrees. With isSun the vector is first stored into
// sunVector; otherwise sunVector is added to it (heliocentric to geocentric).
EclipticCoordinates EquatorialToEcliptic(double x, double y, double z, bool isSun,
                                         SunVector& sunVector);

// Each returns the geocentric ecliptic longitude [degrees, 0..360), geometric,
// mean equinox of date. Each rewrites sunVector with the Sun of the moment.
double SunLongitude(EphemerisDay moment, SunVector& sunVector);
double MercuryLongitude(EphemerisDay moment, SunVector& sunVector);
double VenusLongitude(EphemerisDay moment, SunVector& sunVector);
double MarsLongitude(EphemerisDay moment, SunVector& sunVector);
double JupiterLongitude(EphemerisDay moment, SunVector& sunVector);
double SaturnLongitude(EphemerisDay moment, SunVector& sunVector);
double UranusLongitude(EphemerisDay moment, SunVector& sunVector);
double NeptuneLongitude(EphemerisDay moment, SunVector& sunVector);

// Bodies counted from 1: the numbering of the topic files, the body table and
// the daily aspect loops. The Moon is never computed.
enum BodyNumber : int {
    Sun = 1,
    Moon = 2,
    Mercury = 3,
    Venus = 4,
    Mars = 5,
    Jupiter = 6,
    Saturn = 7,
    Uranus = 8,
    Neptune = 9,
    Pluto = 10,
};

struct BodyEntry {
    BodyNumber Number;
    std::string_view Name;  // English name
    // The body's series; none for the Moon (not computed) and Pluto (table file).
    SeriesResult (*Series)(double t);
};

// The body table, indexed by BodyNumber - 1.
inline constexpr std::array<BodyEntry, 10> BodyTable{{
    {Sun, "Sun", SolarSeries},
    {Moon, "Moon", nullptr},
    {Mercury, "Mercury", MercurySeries},
    {Venus, "Venus", VenusSeries},
    {Mars, "Mars", MarsSeries},
    {Jupiter, "Jupiter", JupiterSeries},
    {Saturn, "Saturn", SaturnSeries},
    {Uranus, "Uranus", UranusSeries},
    {Neptune, "Neptune", NeptuneSeries},
    {Pluto, "Pluto", nullptr},
}};

// Every body but the Moon, in BodyNumber order.
inline constexpr std::array<BodyNumber, 9> ComputedBodies{Sun,    Mercury, Venus,   Mars, Jupiter,
                                                          Saturn, Uranus,  Neptune, Pluto};

// Longitudes [degrees, 0..360) by BodyNumber; slot 0 and the Moon's slot 2 stay 0.
using BodyLongitudes = std::array<double, 11>;

// The longitudes of the listed bodies at one moment, as the body's position
// operation gives them; the Sun's vector is computed once for all of them.
BodyLongitudes ComputeLongitudes(EphemerisDay moment, std::span<const BodyNumber> bodies,
                                 const PlutoSource& pluto);

}  // namespace nevalorum
