// Tests of the outer planet series: published positions at two moments, the
// rectangular vector against the spherical coordinates, and smooth direct motion
// over two centuries.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ephemeris/series.h"
#include "ephemeris/series_frame.h"

namespace nevalorum {
namespace {

constexpr double DegreesPerRadian = 57.295779513082321;

using SeriesFunction = SeriesResult (*)(double);

struct Planet {
    const char* Name;
    SeriesFunction Series;
};

constexpr Planet Jupiter{"Jupiter", JupiterSeries};
constexpr Planet Saturn{"Saturn", SaturnSeries};
constexpr Planet Uranus{"Uranus", UranusSeries};
constexpr Planet Neptune{"Neptune", NeptuneSeries};

// Signed difference of two angles [degrees], within [-180, 180].
double AngleDifference(double a, double b) {
    return std::remainder(a - b, 360.0);
}

TEST(OuterSeries, HeliocentricCoordinatesAt2000) {
    // T = 1 is 2000-01-01 12:00; tolerances are half a unit of the last published digit.
    struct Case {
        Planet Body;
        double Longitude, LongitudeTolerance;  // [degrees]
        double Latitude, LatitudeTolerance;    // [degrees]
        double Radius, RadiusTolerance;        // [AU]
    };
    const Case cases[] = {
        {Jupiter, 36.2946, 5e-5, -1.1731, 5e-5, 4.96558, 5e-6},
        {Saturn, 45.7418, 5e-5, -2.3066, 5e-5, 9.18311, 5e-6},
        {Uranus, 316.4186, 5e-5, -0.6849, 5e-5, 19.92214, 5e-6},
        {Neptune, 303.9332, 5e-5, 0.2418, 5e-5, 30.11748, 5e-6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Body.Name);
        const SeriesResult r = c.Body.Series(1.0);
        EXPECT_NEAR(AngleDifference(r.Longitude * DegreesPerRadian, c.Longitude), 0,
                    c.LongitudeTolerance);
        EXPECT_NEAR(r.Latitude * DegreesPerRadian, c.Latitude, c.LatitudeTolerance);
        EXPECT_NEAR(r.Radius, c.Radius, c.RadiusTolerance);
    }
}

TEST(OuterSeries, GeocentricLongitudesAt1900) {
    // T = 0 is 1899-12-31 12:00. The planet's vector plus the Sun's geocentric
    // vector at that moment (0.164736, -0.889294, -0.385796 AU) gives the
    // geocentric vector, turned into ecliptic longitude with the fixed obliquity
    // (cosine 0.917408, sine 0.397949) of the published geocentric longitudes.
    // The Sun's rounding to 1e-6 AU moves the results by less than 1e-5 degree.
    struct Case {
        Planet Body;
        double Longitude, Tolerance;  // [degrees]
    };
    const Case cases[] = {
        {Jupiter, 241.039, 5e-4},
        {Saturn, 267.655, 5e-4},
        {Uranus, 250.113, 5e-4},
        {Neptune, 85.219, 5e-4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Body.Name);
        const SeriesResult r = c.Body.Series(0.0);
        const double x = r.X + 0.164736;
        const double y = r.Y - 0.889294;
        const double z = r.Z - 0.385796;
        const double longitude = std::atan2(0.917408 * y + 0.397949 * z, x) * DegreesPerRadian;
        EXPECT_NEAR(AngleDifference(longitude, c.Longitude), 0, c.Tolerance);
    }
}

TEST(OuterSeries, VectorMatchesSphericalCoordinatesWithObliquityOfDate) {
    // Turning the equatorial vector back to the ecliptic with the obliquity of
    // date must give the longitude, latitude and radius the routine returns;
    // the longitude is reduced into one turn.
    struct Case {
        Planet Body;
        double T;
        double Tolerance;  // [radians for angles, AU for the radius]
    };
    const Case cases[] = {
        {Jupiter, -0.3, 1e-12}, {Jupiter, 1.0, 1e-12},  {Saturn, 0.0, 1e-12},
        {Saturn, 1.26, 1e-12},  {Uranus, 0.5, 1e-12},   {Uranus, 1.0, 1e-12},
        {Neptune, 0.0, 1e-12},  {Neptune, 1.26, 1e-12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Body.Name << " at T = " << c.T);
        const SeriesResult r = c.Body.Series(c.T);
        const double epsilon = series::ObliquityOfDate(c.T);
        const double eclipticY = r.Y * std::cos(epsilon) + r.Z * std::sin(epsilon);
        const double eclipticZ = -r.Y * std::sin(epsilon) + r.Z * std::cos(epsilon);
        const double radius = std::hypot(r.X, r.Y, r.Z);
        EXPECT_NEAR(radius, r.Radius, c.Tolerance * r.Radius);
        EXPECT_NEAR(std::remainder(std::atan2(eclipticY, r.X) - r.Longitude, series::FullTurn), 0,
                    c.Tolerance);
        EXPECT_NEAR(std::asin(eclipticZ / radius), r.Latitude, c.Tolerance);
        EXPECT_GE(r.Longitude, 0);
        EXPECT_LT(r.Longitude, series::FullTurn);
    }
}

TEST(OuterSeries, MotionIsDirectAndSmoothFrom1850To2050) {
    // Steps of 0.001 century (36.5 days). Each step must advance the longitude
    // by 0.8 to 1.2 times the mean motion and move latitude and radius by no
    // more than the bounds, which are about 1.5 times the largest real step: a
    // misplaced quadrant or a unit slip shows as a jump or a backward step.
    struct Case {
        Planet Body;
        double MeanStep;         // mean advance in longitude per step [degrees]
        double MaxLatitudeStep;  // [degrees]
        double MaxRadiusStep;    // [AU]
    };
    const Case cases[] = {
        {Jupiter, 3.035, 0.1, 0.02},
        {Saturn, 1.222, 0.09, 0.017},
        {Uranus, 0.428, 0.009, 0.011},
        {Neptune, 0.2185, 0.01, 0.002},
    };
    constexpr double Step = 0.001;
    constexpr int Steps = 2000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Body.Name);
        double minAdvance = 360, maxAdvance = -360, maxLatitudeStep = 0, maxRadiusStep = 0;
        SeriesResult previous = c.Body.Series(-0.5);
        for (int i = 1; i <= Steps; ++i) {
            const SeriesResult current = c.Body.Series(-0.5 + i * Step);
            const double advance = AngleDifference(current.Longitude * DegreesPerRadian,
                                                   previous.Longitude * DegreesPerRadian);
            minAdvance = std::min(minAdvance, advance);
            maxAdvance = std::max(maxAdvance, advance);
            maxLatitudeStep =
                std::max(maxLatitudeStep,
                         std::fabs(current.Latitude - previous.Latitude) * DegreesPerRadian);
            maxRadiusStep = std::max(maxRadiusStep, std::fabs(current.Radius - previous.Radius));
            previous = current;
        }
        EXPECT_GE(minAdvance, 0.8 * c.MeanStep);
        EXPECT_LE(maxAdvance, 1.2 * c.MeanStep);
        EXPECT_LE(maxLatitudeStep, c.MaxLatitudeStep);
        EXPECT_LE(maxRadiusStep, c.MaxRadiusStep);
    }
}

}  // namespace
}  // namespace nevalorum
