#include "ephemeris/positions.h"

#include <cmath>
#include <numbers>

namespace nevalorum {
namespace {

// Radians in one degree, as the conversion to ecliptic coordinates uses it.
constexpr double RadiansPerDegree = 0.01745329252;
// Cosine and sine of the fixed obliquity of 23.45 degrees.
constexpr double CosObliquity = 0.917408;
constexpr double SinObliquity = 0.397949;

// The conversion, inlined into the position operations so that the latitude,
// which they do not use, is not computed for them.
[[gnu::always_inline]] inline EclipticCoordinates ConvertToEcliptic(double x, double y, double z,
                                                                    bool isSun,
                                                                    SunVector& sunVector) {
    if (isSun) {
        sunVector = {x, y, z};
    } else {
        x = x + sunVector.X;
        y = y + sunVector.Y;
        z = z + sunVector.Z;
    }
    const double ratio = y / x;
    double alpha = std::atan(ratio);  // right ascension [radians]
    if (x < 0) {
        alpha = alpha + std::numbers::pi;
    }
    const double k = std::cos(alpha);
    const double tanDeclination = (z / x) * k;
    double lambda = std::atan(CosObliquity * ratio + SinObliquity * tanDeclination / k);
    if (k < 0) {
        lambda = lambda + std::numbers::pi;
    }
    EclipticCoordinates result;
    result.Latitude =
        std::atan(std::cos(lambda) * (CosObliquity * tanDeclination / k - SinObliquity * ratio)) /
        RadiansPerDegree;
    result.Longitude = lambda / RadiansPerDegree;
    if (result.Longitude < 0) {
        result.Longitude = result.Longitude + 360;
    }
    return result;
}

double SeriesTime(EphemerisDay moment) {
    return JulianCenturies(moment + EphemerisDayEpoch);
}

// Geocentric longitude of a planet from its heliocentric series, given the
// vector of the Sun of the same moment.
double GeocentricLongitude(SeriesResult (*series)(double), EphemerisDay moment,
                           SunVector& sunVector) {
    const SeriesResult planet = series(SeriesTime(moment));
    const EclipticCoordinates ecliptic =
        ConvertToEcliptic(planet.X, planet.Y, planet.Z, false, sunVector);
    return NormalizeDegrees(ecliptic.Longitude);
}

// A planet's position operation: the Sun of the moment first, then the planet.
double PlanetLongitude(SeriesResult (*series)(double), EphemerisDay moment, SunVector& sunVector) {
    SunLongitude(moment, sunVector);
    return GeocentricLongitude(series, moment, sunVector);
}

}  // namespace

double JulianCenturies(double julianDay) {
    return (julianDay - EphemerisDayEpoch) / 36525;
}

EclipticCoordinates EquatorialToEcliptic(double x, double y, double z, bool isSun,
                                         SunVector& sunVector) {
    return ConvertToEcliptic(x, y, z, isSun, sunVector);
}

double SunLongitude(EphemerisDay moment, SunVector& sunVector) {
    const SeriesResult sun = SolarSeries(SeriesTime(moment));
    const EclipticCoordinates ecliptic = ConvertToEcliptic(sun.X, sun.Y, sun.Z, true, sunVector);
    return NormalizeDegrees(ecliptic.Longitude);
}

double MercuryLongitude(EphemerisDay moment, SunVector& sunVector) {
    return PlanetLongitude(MercurySeries, moment, sunVector);
}
double VenusLongitude(EphemerisDay moment, SunVector& sunVector) {
    return PlanetLongitude(VenusSeries, moment, sunVector);
}
double MarsLongitude(EphemerisDay moment, SunVector& sunVector) {
    return PlanetLongitude(MarsSeries, moment, sunVector);
}
double JupiterLongitude(EphemerisDay moment, SunVector& sunVector) {
    return PlanetLongitude(JupiterSeries, moment, sunVector);
}
double SaturnLongitude(EphemerisDay moment, SunVector& sunVector) {
    return PlanetLongitude(SaturnSeries, moment, sunVector);
}
double UranusLongitude(EphemerisDay moment, SunVector& sunVector) {
    return PlanetLongitude(UranusSeries, moment, sunVector);
}
double NeptuneLongitude(EphemerisDay moment, SunVector& sunVector) {
    return PlanetLongitude(NeptuneSeries, moment, sunVector);
}

BodyLongitudes ComputeLongitudes(EphemerisDay moment, std::span<const BodyNumber> bodies,
                                 const PlutoSource& pluto) {
    BodyLongitudes longitudes{};
    SunVector sunVector;
    const double sun = SunLongitude(moment, sunVector);
    for (BodyNumber body : bodies) {
        if (body == Sun) {
            longitudes[body] = sun;
        } else if (body == Pluto) {
            longitudes[body] = pluto.Longitude(moment);
        } else if (body != Moon) {
            // Every planet operation would compute this moment's Sun again: reuse it.
            longitudes[body] = GeocentricLongitude(BodyTable[body - 1].Series, moment, sunVector);
        }
    }
    return longitudes;
}

}  // namespace nevalorum
