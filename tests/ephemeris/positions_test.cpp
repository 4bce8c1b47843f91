#include "ephemeris/positions.h"

#include <gtest/gtest.h>

#include "tests/support/temporary_folder.h"

#include <cstdlib>
#include <string>

namespace nevalorum {
namespace {

using Operation = double (*)(EphemerisDay, SunVector&);

struct NamedOperation {
    BodyNumber body;
    Operation operation;
};

constexpr NamedOperation SeriesOperations[] = {
    {Sun, SunLongitude},       {Mercury, MercuryLongitude}, {Venus, VenusLongitude},
    {Mars, MarsLongitude},     {Jupiter, JupiterLongitude}, {Saturn, SaturnLongitude},
    {Uranus, UranusLongitude}, {Neptune, NeptuneLongitude},
};

TEST(PositionOperations, GeocentricLongitudesAtKnownMoments) {
    struct Case {
        double moment;
        double longitudes[8];  // Sun, Mercury, Venus, Mars, Jupiter, Saturn, Uranus, Neptune
    };
    const Case cases[] = {
        {36525.0, {280.377, 271.904, 241.576, 327.978, 25.258, 40.418, 314.819, 303.207}},
        {0.0, {279.645, 258.367, 305.758, 283.489, 241.039, 267.655, 250.113, 85.219}},
        {46000.0, {258.682, 238.274, 252.157, 266.391, 113.793, 355.270, 58.671, 359.375}},
    };
    for (const Case& c : cases) {
        SunVector sunVector;
        for (int i = 0; i < 8; ++i) {
            const double longitude = SeriesOperations[i].operation(c.moment, sunVector);
            EXPECT_NEAR(longitude, c.longitudes[i], 5e-4)
                << BodyTable[SeriesOperations[i].body - 1].Name << " at " << c.moment;
        }
    }
}

// A planet operation computes the Sun of its moment itself, so whatever the
// shared vector held before makes no difference.
TEST(PositionOperations, PlanetDoesNotDependOnPreviousSun) {
    for (const NamedOperation& named : SeriesOperations) {
        SunVector fresh;
        SunVector stale;
        SunLongitude(12345.0, stale);
        const double a = named.operation(46000.0, fresh);
        const double b = named.operation(46000.0, stale);
        EXPECT_EQ(a, b) << BodyTable[named.body - 1].Name;
    }
}

// Over two centuries of daily moments every result stays within one turn.
TEST(PositionOperations, ResultsStayInOneTurn) {
    SunVector sunVector;
    for (double moment = -3000.5; moment < 75000; moment += 97.25) {
        for (const NamedOperation& named : SeriesOperations) {
            const double longitude = named.operation(moment, sunVector);
            ASSERT_GE(longitude, 0.0) << moment;
            ASSERT_LT(longitude, 360.0) << moment;
        }
    }
}

TEST(EquatorialToEcliptic, QuadrantsAndSunVector) {
    struct Case {
        double x, y, z;
        double longitude;  // [degrees]
    };
    // Vectors in the ecliptic plane, turned to the equator with the fixed obliquity.
    const double c = 0.917408;
    const double s = 0.397949;
    const Case cases[] = {
        {1, 0, 0, 0},
        {0.5, 0.5 * c, 0.5 * s, 45},
        {-1, 1 * c, 1 * s, 135},
        {-1, -1 * c, -1 * s, 225},
        {1, -1 * c, -1 * s, 315},
        {1, -1e-9 * c, -1e-9 * s, 360 - 5.73e-8},
    };
    for (const Case& k : cases) {
        SunVector sunVector;
        const EclipticCoordinates ecliptic = EquatorialToEcliptic(k.x, k.y, k.z, true, sunVector);
        // The fixed cosine and sine are rounded to six digits: agreement to 5e-5 degrees.
        EXPECT_NEAR(ecliptic.Longitude, k.longitude, 5e-5) << k.x << " " << k.y;
        EXPECT_NEAR(ecliptic.Latitude, 0, 5e-5);
        EXPECT_EQ(sunVector.X, k.x);
        EXPECT_EQ(sunVector.Z, k.z);
    }
    // A planet's vector is made geocentric by adding the stored Sun.
    SunVector sunVector{-1, 0, 0};
    const EclipticCoordinates ecliptic = EquatorialToEcliptic(1, 1 * c, 1 * s, false, sunVector);
    EXPECT_NEAR(ecliptic.Longitude, 90, 5e-5);
}

TEST(JulianCenturies, CountsFrom1900January05) {
    EXPECT_NEAR(JulianCenturies(2415020.0), 0.0, 1e-15);
    EXPECT_NEAR(JulianCenturies(2451545.0), 1.0, 1e-15);
    EXPECT_NEAR(JulianCenturies(2396757.5), -0.5, 1e-12);
}

TEST(ComputeLongitudes, SameAsEachOperationAndTableForPluto) {
    const std::string folder = testing::SourceDataFolder() + "System/";
    for (double moment : {1.0, 29386.0, 36525.0, 46000.0, 73414.0}) {
        const BodyLongitudes all = ComputeLongitudes(moment, ComputedBodies, PlutoSource(folder));
        for (const NamedOperation& named : SeriesOperations) {
            SunVector sunVector;
            EXPECT_EQ(all[named.body], named.operation(moment, sunVector)) << moment;
        }
        EXPECT_EQ(all[Pluto], PlutoSource(folder).Longitude(moment));
        EXPECT_EQ(all[Moon], 0.0);
    }
    const BodyLongitudes y2000 = ComputeLongitudes(36525.0, ComputedBodies, PlutoSource(folder));
    EXPECT_NEAR(y2000[Pluto], 251.0045, 1e-9);
}

}  // namespace
}  // namespace nevalorum
