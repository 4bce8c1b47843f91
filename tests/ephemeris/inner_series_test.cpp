#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ephemeris/series.h"

namespace nevalorum {
namespace {

constexpr double DegreesPerRadian = 180 / std::numbers::pi;

TEST(SolarSeries, CoordinatesAtKnownMoments) {
    struct Case {
        double t;
        double longitude, radius, x, y, z;  // longitude [radians]
    };
    const Case cases[] = {
        {0, 4.880721, 0.983270, 0.164736, -0.889294, -0.385796},
        {1, 4.893507, 0.983318, 0.177124, -0.887420, -0.384743},
    };
    for (const Case& c : cases) {
        const SeriesResult sun = SolarSeries(c.t);
        EXPECT_NEAR(sun.Longitude, c.longitude, 5e-7) << c.t;
        EXPECT_NEAR(sun.Radius, c.radius, 5e-7) << c.t;
        EXPECT_NEAR(sun.X, c.x, 5e-7) << c.t;
        EXPECT_NEAR(sun.Y, c.y, 5e-7) << c.t;
        EXPECT_NEAR(sun.Z, c.z, 5e-7) << c.t;
        EXPECT_EQ(sun.Latitude, 0.0) << c.t;
    }
}

TEST(InnerPlanetSeries, HeliocentricCoordinatesAtT1) {
    struct Case {
        const char* name;
        SeriesResult (*series)(double);
        double longitude, latitude, radius;  // [degrees], [degrees], [AU]
    };
    const Case cases[] = {
        {"Mercury", MercurySeries, 253.7813, -3.0216, 0.46647},
        {"Venus", VenusSeries, 182.6029, 3.2657, 0.72021},
        {"Mars", MarsSeries, 359.4517, -1.4188, 1.39123},
    };
    for (const Case& c : cases) {
        const SeriesResult planet = c.series(1.0);
        double longitude = planet.Longitude * DegreesPerRadian;
        if (longitude < 0) {
            longitude += 360;
        }
        EXPECT_NEAR(longitude, c.longitude, 5e-5) << c.name;
        EXPECT_NEAR(planet.Latitude * DegreesPerRadian, c.latitude, 5e-5) << c.name;
        EXPECT_NEAR(planet.Radius, c.radius, 5e-6) << c.name;
    }
}

// The rectangular vector must describe the same point as longitude, latitude and
// radius: its length is the radius, and turning it back about the obliquity of
// date gives the latitude.
TEST(InnerPlanetSeries, VectorAgreesWithEclipticCoordinates) {
    SeriesResult (*const routines[])(double) = {SolarSeries, MercurySeries, VenusSeries,
                                                MarsSeries};
    for (double t : {-0.5, 0.0, 0.873, 1.0, 1.26}) {
        const double epsilon = (84428.26 - 46.845 * t) / 206264.806247;
        for (auto routine : routines) {
            const SeriesResult r = routine(t);
            EXPECT_NEAR(std::hypot(r.X, r.Y, r.Z), r.Radius, 1e-12) << t;
            const double eclipticZ = -r.Y * std::sin(epsilon) + r.Z * std::cos(epsilon);
            EXPECT_NEAR(eclipticZ, r.Radius * std::sin(r.Latitude), 1e-12) << t;
            EXPECT_NEAR(std::atan2(r.Y * std::cos(epsilon) + r.Z * std::sin(epsilon), r.X),
                        std::remainder(r.Longitude, 2 * std::numbers::pi), 1e-12)
                << t;
        }
    }
}

// Before 1900 the reduction by whole turns leaves a negative angle.
TEST(InnerPlanetSeries, NegativeTimeKeepsNegativeLongitude) {
    const SeriesResult sun = SolarSeries(-0.5);
    EXPECT_LT(std::fabs(sun.Longitude), 6.28318530718);
    const SeriesResult mercury = MercurySeries(-3.0);
    EXPECT_LT(std::fabs(mercury.Longitude), 6.28318530718);
}

}  // namespace
}  // namespace nevalorum
