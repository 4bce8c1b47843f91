// Series of the outer planets Jupiter, Saturn, Uranus and Neptune. Jupiter and
// Saturn shift the moment at which their elliptic motion is evaluated by
// perturbations in the mean anomalies of Jupiter, Saturn and Uranus; Uranus
// gathers its perturbations into coefficients of multiples of its own mean
// anomaly; Neptune works in degrees from perturbed mean elements and Kepler's
// equation. All four end with the common final step of the series frame.

#include <cmath>
#include <iterator>
#include <span>

#include "ephemeris/series.h"
#include "ephemeris/series_frame.h"

namespace nevalorum {

using series::ArcsecondsPerRadian;
using series::ArgumentMultiples;
using series::FinalStep;
using series::LatitudeFromSine;
using series::Multiples;
using series::PeriodicTerm;
using series::ReduceTurns;
using series::TermTable;

namespace {

// ---------------------------------------------------------------------------
// Jupiter and Saturn
// ---------------------------------------------------------------------------

// Years from 1900 January 0.5 shifted to the epoch of the Jupiter and Saturn
// elements: tau = 100 T + this.
constexpr double GiantEpochYears = 49.998631074606436;
constexpr double DaysPerYear = 365.25;

// Mean anomalies of Jupiter, Saturn and Uranus at tau [radians], each reduced
// to one turn.
struct GiantAnomalies {
    double Jupiter;
    double Saturn;
    double Uranus;
};

GiantAnomalies MeanAnomaliesOfGiants(double tau) {
    return {ReduceTurns(2.58366097 + 0.529691136 * tau), ReduceTurns(4.969245 + 0.2132996 * tau),
            ReduceTurns(3.842683 + 0.0747862 * tau)};
}

// Jupiter's time perturbation [1e-6 day], sine terms.
// Arguments Ms, Mj, Mu (Saturn, Jupiter, Uranus); amplitude variable Y, phase variable tau.
constexpr PeriodicTerm JupiterTimeTerms[] = {
    {0, {0, -1, 0}, 3.969972, 39928},
    {37294, {1, 0, 0}, 2.634308},
    {266919, {1, -1, 0}, 1.382349},
    {22776, {2, 0, 0}, 2.161241},
    {411235, {2, -1, 0}, 0.02466},
    {650670, {2, -2, 0}, 5.879958},
    {46930, {3, -1, 0}, 5.448768},
    {276299, {3, -2, 0}, 2.223234},
    {54251, {3, -3, 0}, 1.007312},
    {56290, {4, -2, 0}, 1.718587},
    {50072, {4, -3, 0}, 0.454571},
    {538023, {5, -3, 0}, 3.079881},
    {0, {5, -3, 0}, 1.411884, 1888},
    {36853, {10, -4, 0}, 5.4748, 0, 0.00071},
    {3998745, {5, -2, 0}, 1.171968, -2213, -0.0003974},
    {28956, {6, -2, -3}, 3.27831},
};
const TermTable JupiterTimeTable{JupiterTimeTerms};

// Jupiter's radius perturbation [1e-7 of log10 r], cosine terms; arguments and variables as above.
constexpr PeriodicTerm JupiterRadiusTerms[] = {
    {0, {0, -1, 0}, 3.9698, 126}, {545, {1, -1, 0}, 1.3821},  {61, {2, 0, 0}, 5.3265},
    {383, {2, -1, 0}, 6.2167},    {2303, {2, -2, 0}, 5.88},   {62, {2, -3, 0}, 5.8151},
    {56, {3, -1, 0}, 2.322},      {738, {3, -2, 0}, 2.2095},  {241, {3, -3, 0}, 1.0213},
    {85, {4, -2, 0}, 1.6416},     {193, {4, -3, 0}, 0.4714},  {60, {4, -4, 0}, 2.2314},
    {229, {5, -2, 0}, 4.152},     {1679, {5, -3, 0}, 3.0787}, {65, {5, -4, 0}, 2.4648},
};
const TermTable JupiterRadiusTable{JupiterRadiusTerms};

// Saturn's time perturbation [1e-5 day], sine terms; arguments and variables as above.
constexpr PeriodicTerm SaturnTimeTerms[] = {
    {0, {1, 0, 0}, 4.1536, 65776},
    {0, {2, 0, 0}, 4.1536, 1344},
    {10041, {0, -1, 0}, 1.5144},
    {5977, {1, -1, 0}, 3.3089},
    {350470, {2, -1, 0}, 3.1665},
    {0, {2, -1, 0}, 2.1372, 1021},
    {27834, {3, -1, 0}, 2.1158},
    {21710, {3, -2, 0}, 2.3661},
    {567852, {4, -2, 0}, 4.8415},
    {26600, {2, -2, 0}, 2.7397},
    {0, {4, -2, 0}, 3.1343, 4045},
    {2415265, {5, -2, 0}, 4.3129, 0, -0.000398},
    {0, {5, -2, 0}, 1.1713, 3425, -0.00039},
    {0, {6, -2, 0}, 2.199, 505},
    {5410, {3, -3, 0}, 4.0908},
    {3820, {4, -3, 0}, 3.5476},
    {5189, {7, -3, 0}, 0.5481},
    {7330, {9, -4, 0}, 2.8572},
    {22255, {10, -4, 0}, 2.3321, 0, -0.000718},
    {6604, {-1, 0, 1}, 1.3794},
    {6313, {-1, 0, 2}, 6.1834},
    {10175, {-2, 0, 2}, 5.8769},
    {23440, {-1, 0, 3}, 5.616},
    {19196, {-2, 0, 3}, 2.0827},
    {23778, {6, -2, -3}, 0.121},
};
const TermTable SaturnTimeTable{SaturnTimeTerms};

// Saturn's radius perturbation [1e-7 of log10 r], cosine terms; arguments and variables as above.
constexpr PeriodicTerm SaturnRadiusTerms[] = {
    {187, {1, 0, 0}, 5.1559},   {0, {1, 0, 0}, 1.012, 835}, {3783, {1, -1, 0}, 1.3919},
    {2443, {2, -1, 0}, 3.0725}, {241, {3, -1, 0}, 5.3391},  {644, {2, -2, 0}, 2.7328},
    {421, {3, -2, 0}, 2.4778},  {7005, {4, -2, 0}, 4.8391}, {1142, {5, -2, 0}, 1.0965, 0, -0.00043},
    {235, {3, -2, 0}, 2.0786},  {147, {3, -3, 0}, 4.0829},  {0, {4, -2, 0}, 3.1353, 50},
    {0, {2, 0, 0}, 1.024, 23},
};
const TermTable SaturnRadiusTable{SaturnRadiusTerms};

// ---------------------------------------------------------------------------
// Uranus
// ---------------------------------------------------------------------------

// Contribution of one argument theta to one accumulator [arcseconds]:
// Cos * cos(theta) + Sin * sin(theta).
struct CosSinPair {
    double Cos;
    double Sin;
};

// Contributions of one argument theta to the accumulators K, a1, b1, a3, b3
// (the constant part and the coefficients of sin U, cos U, sin 3U, cos 3U).
// No argument contributes to a2 or b2, which receive only secular parts.
struct UranusRow {
    CosSinPair K;
    CosSinPair A1;
    CosSinPair B1;
    CosSinPair A3;
    CosSinPair B3;
};

// Rows in the order of the arguments U - N, 2(U - N), 3(U - N), S - U, J - U,
// S - 2U, 3U - S; {0, 0} where an argument adds nothing.
constexpr UranusRow UranusRows[] = {
    {{-29, 20}, {0, 0}, {-5, 4}, {0, 0}, {0, 0}},  {{29, 10}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{4, 14}, {-16, 8}, {9, 18}, {0, 0}, {0, 0}},  {{-19, 13}, {0, 0}, {0, 0}, {-5, 3}, {3, 5}},
    {{-21, -49}, {4, -2}, {0, 0}, {0, 0}, {0, 0}}, {{20, 143}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{76, -102}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
};

double CosSinValue(const CosSinPair& pair, double cosTheta, double sinTheta) {
    return pair.Cos * cosTheta + pair.Sin * sinTheta;
}

// ---------------------------------------------------------------------------
// Neptune
// ---------------------------------------------------------------------------

// Radians per degree, as Neptune's series uses it.
constexpr double RadiansPerDegree = 0.017453292519944444;
constexpr int NeptuneKeplerSteps = 5;

double SinDegrees(double x) {
    return std::sin(x * RadiansPerDegree);
}
double CosDegrees(double x) {
    return std::cos(x * RadiansPerDegree);
}

// Direction [degrees, 0 to 360] of the point with abscissa y and ordinate x,
// from arctan|x / y| placed in its quadrant by the signs of x and y. y = 0 is
// not guarded: it does not occur for real moments.
double Quadrant(double x, double y) {
    const double w = std::atan(std::fabs(x / y)) / RadiansPerDegree;
    if (x > 0) {
        return y >= 0 ? w : 180 - w;
    }
    return y < 0 ? 180 + w : 360 - w;
}

}  // namespace

SeriesResult JupiterSeries(double t) {
    const double tau = 100 * t + GiantEpochYears;  // [years]
    const double y = 0.08430296 * tau;
    const GiantAnomalies m = MeanAnomaliesOfGiants(tau);

    const ArgumentMultiples arguments = TermTable::MultiplesFor(
        {m.Saturn, m.Jupiter, m.Uranus}, {&JupiterTimeTable, &JupiterRadiusTable});
    const double p = JupiterTimeTable.AddSines(0, arguments, y, tau);       // [1e-6 day]
    const double perturbedTime = tau + 4.877675 + (p / 1e6) / DaysPerYear;  // [years]
    const double q = JupiterRadiusTable.AddCosines(0, arguments, y, tau);   // [1e-7 log10 r]

    // Mean anomaly at the perturbed time, deliberately not reduced.
    const double meanAnomaly = 0.5296909443153688 * perturbedTime;  // 109256.6" a year
    // Equation of the centre: 19900", 600" and 25".
    const double v = meanAnomaly + 0.09647792254084273 * std::sin(meanAnomaly) +
                     0.0029088820866585746 * std::sin(2 * meanAnomaly) +
                     0.00012120342027744061 * std::sin(3 * meanAnomaly);
    const double orbitalLongitude = 0.207824 + v;
    const double sinLatitude = 0.02289 * std::sin(orbitalLongitude - 1.7267) +
                               (4.4 * y / ArcsecondsPerRadian) * std::sin(v + 0.62);
    // 27" reduction to the ecliptic and 50.265" a year of precession.
    const double longitude = orbitalLongitude +
                             0.00013089969389963588 * std::sin(2 * orbitalLongitude + 5.9711) +
                             50.265 * tau / ArcsecondsPerRadian;
    const double radius = 5.1906885 / (1 + 0.0482538 * std::cos(v)) * std::pow(10.0, q / 1e7);
    return FinalStep(longitude, LatitudeFromSine(sinLatitude), radius, t);
}

SeriesResult SaturnSeries(double t) {
    const double tau = 100 * t + GiantEpochYears;  // [years]
    const double y = 0.03394769 * tau;
    const GiantAnomalies m = MeanAnomaliesOfGiants(tau);

    const ArgumentMultiples arguments = TermTable::MultiplesFor(
        {m.Saturn, m.Jupiter, m.Uranus}, {&SaturnTimeTable, &SaturnRadiusTable});
    const double p = SaturnTimeTable.AddSines(0, arguments, y, tau);        // [1e-5 day]
    const double perturbedTime = tau + 23.29702 + (p / 1e5) / DaysPerYear;  // [years]
    const double q =
        SaturnRadiusTable.AddCosines(1826 + 12 * y, arguments, y, tau);  // [1e-7 log10 r]

    // Mean anomaly at the perturbed time, deliberately not reduced.
    const double meanAnomaly = 0.2132996 * perturbedTime;
    const double v =
        meanAnomaly + (23118 * std::sin(meanAnomaly) + 809 * std::sin(2 * meanAnomaly) -
                       39 * std::sin(3 * meanAnomaly)) /
                          ArcsecondsPerRadian;
    const double orbitalLongitude = 1.572733 + v;
    const double sinLatitude = 0.0435189 * std::sin(orbitalLongitude - 1.96084) +
                               0.00011766428040533935 * y * std::sin(v + 1.345);  // 24.27"
    // The reduction to the ecliptic is in 2v here (Jupiter's is in 2l), plus
    // 50.2647" a year of precession.
    const double longitude =
        orbitalLongitude + (98 * std::sin(2 * v + 2.3654) + 50.2647 * tau) / ArcsecondsPerRadian;
    const double radius = 9.508864 / (1 + 0.0560608 * std::cos(v)) * std::pow(10.0, q / 1e7);
    return FinalStep(longitude, LatitudeFromSine(sinLatitude), radius, t);
}

SeriesResult UranusSeries(double t) {
    // Arguments of Jupiter, Saturn, Uranus and Neptune [radians], not reduced.
    const double j = 3.9343 + 52.9691 * t;
    const double s = 3.0675 + 21.3299 * t;
    const double u = 1.297 + 7.4788 * t;
    const double n = 0.7215 + 3.813 * t;
    const double meanLongitude = 4.247475 + 7.503143 * t + 0.00017 * t * t;

    // Accumulators [arcseconds]: k the constant part, an and bn the
    // coefficients of sin(nU) and cos(nU).
    double k = 0, a1 = 0, b1 = 0, a2 = 0, b2 = 0, a3 = 0, b3 = 0;
    const double thetas[] = {u - n, 2 * (u - n), 3 * (u - n), s - u, j - u, s - 2 * u, 3 * u - s};
    static_assert(std::size(thetas) == std::size(UranusRows));
    for (size_t i = 0; i < std::size(thetas); ++i) {
        const double cosTheta = std::cos(thetas[i]);
        const double sinTheta = std::sin(thetas[i]);
        const UranusRow& row = UranusRows[i];
        k += CosSinValue(row.K, cosTheta, sinTheta);
        a1 += CosSinValue(row.A1, cosTheta, sinTheta);
        b1 += CosSinValue(row.B1, cosTheta, sinTheta);
        a3 += CosSinValue(row.A3, cosTheta, sinTheta);
        b3 += CosSinValue(row.B3, cosTheta, sinTheta);
    }

    // Secular parts.
    a1 += 112 * t - 2 * t * t;
    b1 += -68 * t - 10 * t * t;
    a2 += 7 * t;
    b2 += -4 * t;
    const double t1 = t + 1;
    k = k - 22 + 17 * t1 / 2 + 7 * t1 * t1 / 4;
    a1 = a1 - 8;
    b1 = b1 + 4 * t1;

    const double sum = k + a1 * std::sin(u) + b1 * std::cos(u) + a2 * std::sin(2 * u) +
                       b2 * std::cos(2 * u) + a3 * std::sin(3 * u) + b3 * std::cos(3 * u) +
                       19402 * std::sin(u) + 570 * std::sin(2 * u) + 23 * std::sin(3 * u);
    // No separate reduction to the ecliptic.
    const double longitude = meanLongitude + sum / ArcsecondsPerRadian;

    const double argumentOfLatitude = longitude - 1.2826 - 0.0089 * t;
    const double latitude = LatitudeFromSine(0.013485 * std::sin(argumentOfLatitude));

    // Radius perturbations [1e-6 of log10 r].
    const double r = -71 * t * std::sin(u) - 130 * t * std::cos(u) - 76 * std::sin(u - s) -
                     133 * std::cos(2 * u - s) - 103 * std::cos(u - j) - 45 * std::sin(u - j);
    const double log10Radius = (-20414 * std::cos(u) - 720 * std::cos(2 * u) + r) / 1e6 + 1.283294;
    return FinalStep(longitude, latitude, std::pow(10.0, log10Radius), t);
}

SeriesResult NeptuneSeries(double t) {
    // Angles in degrees until the final step.
    const double nu = t / 5 + 0.1;
    const double jupiter = 273.47555 + 3034.906 * t;
    const double saturn = 265.9165 + 1222.114 * t;
    const double uranus = 243.51721 + 428.4617 * t;
    const double g = 83.76922 + 218.4901 * t;  // Neptune
    const double h = 2 * g - uranus;
    const double zeta = g - jupiter;
    const double eta = g - saturn;
    const double theta = g - uranus;

    // Mean elements.
    double meanAnomaly = 37.73063 + 218.4613 * t;
    double meanLongitude = 84.45799 + 219.8859 * t + 0.0003 * t * t;
    double semiMajorAxis = 30.10957;  // [AU]
    double eccentricity = 0.00899704 + 0.00000633 * t;
    const double inclination = 1.779242 - 0.009544 * t;
    const double node = 130.6814 + 1.098935 * t + 0.00025 * t * t;

    // Periodic corrections of the elements in the argument H.
    const double deltaL = (0.001089 * nu - 0.589833) * SinDegrees(h) +
                          (0.004658 * nu - 0.056094) * CosDegrees(h) - 0.024286 * SinDegrees(2 * h);
    const double q = 0.024039 * SinDegrees(h) - 0.025303 * CosDegrees(h) +
                     0.006206 * SinDegrees(2 * h) - 0.005992 * CosDegrees(2 * h);
    meanLongitude = meanLongitude + deltaL;
    meanAnomaly = meanAnomaly + deltaL - q / eccentricity;  // the unperturbed eccentricity
    eccentricity = eccentricity + (4389 * SinDegrees(h) + 4262 * CosDegrees(h) +
                                   1129 * SinDegrees(2 * h) + 1089 * CosDegrees(2 * h)) /
                                      1e7;
    semiMajorAxis = semiMajorAxis +
                    (-817 * SinDegrees(h) + 8189 * CosDegrees(h) + 781 * CosDegrees(2 * h)) / 1e6;

    // Kepler's equation: a fixed number of steps, no convergence test.
    double eccentricAnomaly = meanAnomaly;
    for (int step = 0; step < NeptuneKeplerSteps; ++step) {
        eccentricAnomaly =
            meanAnomaly + (eccentricity / RadiansPerDegree) * SinDegrees(eccentricAnomaly);
    }
    const double x =
        semiMajorAxis * std::sqrt(1 - eccentricity * eccentricity) * SinDegrees(eccentricAnomaly);
    const double y = semiMajorAxis * (CosDegrees(eccentricAnomaly) - eccentricity);
    const double trueAnomaly = Quadrant(x, y);
    double radius = semiMajorAxis * (1 - eccentricity * CosDegrees(eccentricAnomaly));

    const double argumentOfLatitude = meanLongitude + trueAnomaly - meanAnomaly - node;
    double longitude = node + Quadrant(SinDegrees(argumentOfLatitude) * CosDegrees(inclination),
                                       CosDegrees(argumentOfLatitude));
    const double sinLatitude = SinDegrees(argumentOfLatitude) * SinDegrees(inclination);
    double latitude = LatitudeFromSine(sinLatitude) / RadiansPerDegree;

    // Final corrections in the arguments of Jupiter, Saturn and Uranus.
    longitude = longitude - 0.009556 * SinDegrees(zeta) - 0.005178 * SinDegrees(eta) +
                0.002572 * SinDegrees(2 * theta) -
                0.002979 * CosDegrees(2 * theta) * SinDegrees(g) -
                0.002833 * SinDegrees(2 * theta) * CosDegrees(g);
    latitude = latitude + 0.000336 * CosDegrees(2 * theta) * SinDegrees(g) +
               0.000364 * SinDegrees(2 * theta) * CosDegrees(g);
    radius = radius + (-40596 + 4992 * CosDegrees(zeta) + 2744 * CosDegrees(eta) +
                       2044 * CosDegrees(theta) + 1051 * CosDegrees(2 * theta)) /
                          1e6;

    return FinalStep(longitude * RadiansPerDegree, latitude * RadiansPerDegree, radius, t);
}

}  // namespace nevalorum
