// Series of the Sun and the inner planets Mercury, Venus and Mars: mean elements
// as polynomials in T, the equation of the centre, and the perturbations by the
// other planets as tables of periodic terms.

#include <cmath>

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

// Sun. Arguments: V (Venus), M (mean anomaly), A (Mars), J (Jupiter), D (the Moon's
// mean elongation).
// Longitude perturbations [radians], after the 0.0000312 sin D term.
constexpr PeriodicTerm SolarLongitudeTerms[] = {
    {0.00002346, {1, -1}, 5.2203},      {0.00002679, {2, -2}, 2.5886},
    {0.00001211, {2, -3}, 5.5143},      {0.00000756, {3, -4}, 6.0258},
    {0.00000496, {3, -5}, 5.5528},      {0.0000099, {0, 2, -2}, 6.002},
    {0.00000858, {0, 1, -2}, 3.4977},   {0.00003495, {0, 1, 0, -1}, 3.1334},
    {0.00001261, {0, 0, 0, -1}, 4.594}, {0.00001324, {0, 2, 0, -2}, 1.521},
    {0.00000781, {0, 1, 0, -2}, 1.911},
};
const TermTable SolarLongitudeTable{SolarLongitudeTerms};
// Radius perturbations [1e-6 of log10 r].
constexpr PeriodicTerm SolarRadiusTerms[] = {
    {13.4, {0, 0, 0, 0, 1}, 0},   {2.4, {1, -1}, 3.6491},       {6.8, {2, -2}, 1.0178},
    {1.0, {3, -3}, 1.5284},       {1.5, {3, -4}, 4.455},        {2.1, {0, 2, -2}, 4.4301},
    {7.1, {0, 1, 0, -1}, 1.5629}, {4.0, {0, 2, 0, -2}, 6.2327}, {1.5, {0, 1, 0, -2}, 0.3398},
};
const TermTable SolarRadiusTable{SolarRadiusTerms};

// Mercury. Arguments: V (Venus), M (mean anomaly), J (Jupiter).
// Longitude perturbations [arcseconds].
constexpr PeriodicTerm MercuryLongitudeTerms[] = {
    {3.7, {2, -1}, -2.8046},    {2.1, {2, -2}, -2.8126}, {1.3, {3, -2}, -1.8288},
    {2.8, {5, -3}, -6.1063},    {7.6, {5, -2}, -6.0699}, {1.5, {5, -1}, -6.0685},
    {3.3, {0, -1, 2}, -0.6458},
};
const TermTable MercuryLongitudeTable{MercuryLongitudeTerms};
// Radius perturbations [1e-6 of log10 r].
constexpr PeriodicTerm MercuryRadiusTerms[] = {
    {0.71, {2, -3}, -1.2413},    {2.37, {2, -2}, -1.2425},    {0.9, {2, -1}, -1.2303},
    {0.76, {2, 0}, -4.3633},     {1.16, {3, -2}, -0.259},     {0.85, {5, -4}, -4.5293},
    {2.95, {5, -3}, -4.5364},    {1.55, {5, -1}, -1.357},     {0.71, {0, -1, 1}, -1.5949},
    {1.18, {0, -2, 2}, -5.3576}, {3.27, {0, -1, 2}, -5.3579},
};
const TermTable MercuryRadiusTable{MercuryRadiusTerms};

// Venus. Arguments: E (Earth), M (mean anomaly), A (Mars), J (Jupiter).
// Longitude perturbations [arcseconds], before the 2.8 sin(4.1406 + 2.6227 T) term.
constexpr PeriodicTerm VenusLongitudeTerms[] = {
    {4.9, {1, -1}, -2.0788},       {11.3, {2, -2}, -2.587},      {7.1, {3, -3}, -6.2384},
    {3.4, {3, -2}, -2.3721},       {1.0, {4, -4}, -0.4632},      {1.6, {5, -4}, -3.3847},
    {1.4, {5, -3}, -2.4099},       {2.8, {13, -8}, -3.9784},     {1.2, {0, -1, 3}, -4.1464},
    {3.0, {0, -1, 0, 1}, -3.6318}, {1.6, {0, 0, 0, 1}, -4.6829},
};
const TermTable VenusLongitudeTable{VenusLongitudeTerms};
// Radius perturbations [1e-6 of log10 r].
constexpr PeriodicTerm VenusRadiusTerms[] = {
    {2.2, {1, -1}, -0.5081},       {9.8, {2, -2}, -1.0159},    {8.3, {3, -3}, -4.6674},
    {0.7, {3, -2}, -0.8268},       {1.4, {4, -4}, -5.1747},    {0.5, {5, -5}, -5.7009},
    {1.6, {5, -4}, -1.8188},       {0.7, {0, -2, 3}, -2.2969}, {3.0, {0, -1, 0, 1}, -2.0611},
    {1.3, {0, -2, 0, 2}, -0.9628},
};
const TermTable VenusRadiusTable{VenusRadiusTerms};

// Mars. Arguments: M' (second mean anomaly), V (Venus), E (Earth), J (Jupiter).
// Longitude perturbations [arcseconds].
constexpr PeriodicTerm MarsLongitudeTerms[] = {
    {6.4, {3, -1}, -1.0053},       {8.6, {1, 0, -1}, -0.6126},     {14.0, {2, 0, -1}, -0.3577},
    {7.4, {3, 0, -2}, -2.7688},    {4.9, {4, 0, -2}, -2.6894},     {2.6, {5, 0, -3}, -4.897},
    {3.1, {-2, 0, 0, 1}, -0.8165}, {25.4, {-1, 0, 0, 1}, -0.8545}, {3.7, {0, 0, 0, 1}, -5.9757},
    {2.1, {-3, 0, 0, 2}, -3.3637}, {16.0, {-2, 0, 0, 2}, -3.3492}, {21.9, {-1, 0, 0, 2}, -3.2873},
    {2.6, {-2, 0, 0, 3}, -3.9864}, {3.2, {-1, 0, 0, 3}, -3.6164},  {1.6, {15, 0, -8}, -2.9694},
    {1.5, {3, 0, -1}, -0.3871},    {1.5, {0, 0, 0, 2}, -3.3103},   {1.3, {-3, 0, 0, 3}, -2.9369},
    {1.2, {7, 0, -4}, -0.7268},
};
const TermTable MarsLongitudeTable{MarsLongitudeTerms};
// Radius perturbations [1e-6 of log10 r].
constexpr PeriodicTerm MarsRadiusTerms[] = {
    {7.0, {1, 0, -1}, -0.6126},     {2.9, {2, 0, -1}, -1.9757},     {6.4, {3, 0, -2}, -1.1977},
    {3.9, {-2, 0, 0, 1}, -5.522},   {23.1, {-1, 0, 0, 1}, -5.5653}, {3.0, {-3, 0, 0, 2}, -1.7957},
    {22.1, {-2, 0, 0, 2}, -1.7801}, {16.6, {-1, 0, 0, 2}, -1.7162}, {3.4, {-2, 0, 0, 3}, -2.4389},
};
const TermTable MarsRadiusTable{MarsRadiusTerms};

// The orbital elements that close the scheme of the inner planets: the
// argument of latitude, the reduction to the ecliptic and the latitude.
struct OrbitPlane {
    double Node;         // longitude of the node [radians]
    double Inclination;  // [radians]
    double K2;           // reduction to the ecliptic, sin 2u term [radians]
    double K4;           // reduction to the ecliptic, sin 4u term [radians]
    double K1;           // latitude term in sin u [radians]
};

// Turns the longitude in the orbit l [radians] and the radius [AU] into the
// series result: argument of latitude, reduction to the ecliptic, latitude.
SeriesResult ProjectOntoEcliptic(double l, double radius, const OrbitPlane& plane, double t) {
    const Multiples u(l - plane.Node, 4);  // the argument of latitude
    const double lambda = l - (plane.K2 * u.Sin(2) + plane.K4 * u.Sin(4));
    const double s = u.Sin(1) * std::sin(plane.Inclination);
    const double beta = LatitudeFromSine(s) + plane.K1 * u.Sin(1);
    return FinalStep(lambda, beta, radius, t);
}

}  // namespace

SeriesResult SolarSeries(double t) {
    const double m0 = ReduceTurns(6.25658358 + 628.301946 * t + 0.0000026 * t * t);
    const double e = 0.01675104 - 0.0000418 * t;  // eccentricity
    // Mean anomaly with its long-period terms [radians].
    const double m =
        m0 + 0.000031 * std::sin(4.035 + 0.3526 * t) + 0.0000091 * std::sin(0.999 + 2.6227 * t);
    const Multiples mm(m, 3);  // the multiples of the mean anomaly
    // True anomaly by the equation of the centre.
    const double nu = m + (0.0335009 - 0.00008358 * t) * mm.Sin(1) +
                      (0.0003507 - 0.00000175 * t) * mm.Sin(2) + 0.00000511 * mm.Sin(3);
    double lambda = nu + 4.908229 + 0.03000526 * t + 0.0000079 * t * t;

    const double v = 3.708 + 1021.3229 * t;
    const double a = 5.5777 + 334.0556 * t;
    const double j = 3.9319 + 52.9635 * t;
    const double d = 6.1215 + 7771.38 * t;
    const ArgumentMultiples arguments =
        TermTable::MultiplesFor({v, m, a, j, d}, {&SolarLongitudeTable, &SolarRadiusTable});
    lambda = lambda + 0.0000312 * arguments[4].Sin(1);
    lambda = SolarLongitudeTable.AddCosines(lambda, arguments);
    const double s = SolarRadiusTable.AddCosines(0, arguments);

    const double e2 = e * e;
    const double e3 = e2 * e;
    const double radius = (1 + e2 / 2 + (3 * e3 / 8 - e) * mm.Cos(1) - (e2 / 2) * mm.Cos(2) -
                           (3 * e3 / 8) * mm.Cos(3)) *
                          std::pow(10.0, s / 1e6);
    return FinalStep(lambda, 0, radius, t);
}

SeriesResult MercurySeries(double t) {
    const double m = ReduceTurns(1.78511195 + 2608.787533 * t);
    const Multiples mm(m, 8);  // the multiples of the mean anomaly
    // Logarithm of the unperturbed radius vector [1e-6 of log10 r].
    double logRadius = -407563.61 + 0.92 * t - (87878.82 + 8.46 * t) * mm.Cos(1) -
                       (13416.31 + 2.6 * t) * mm.Cos(2) - (2579.08 + 0.75 * t) * mm.Cos(3) -
                       548.05 * mm.Cos(4) - 123.22 * mm.Cos(5) - 28.74 * mm.Cos(6) -
                       6.87 * mm.Cos(7) - 1.68 * mm.Cos(8);
    // Equation of the centre [arcseconds].
    const double g = (84377.7 + 8.3 * t) * mm.Sin(1) + (10732.8 + 2.1 * t) * mm.Sin(2) +
                     (1892.1 + 0.6 * t) * mm.Sin(3) + 381.1 * mm.Sin(4) + 82.6 * mm.Sin(5) +
                     18.7 * mm.Sin(6) + 4.4 * mm.Sin(7) + 1.0 * mm.Sin(8);
    const double perihelion = 1.3247 + 0.027148 * t + 0.000005 * t * t;
    double l = m + g / ArcsecondsPerRadian + perihelion;

    const double v = 3.7095 + 1021.3258 * t;
    const double j = 3.9333 + 52.9663 * t;
    const ArgumentMultiples arguments =
        TermTable::MultiplesFor({v, m, j}, {&MercuryLongitudeTable, &MercuryRadiusTable});
    l = l + MercuryLongitudeTable.AddCosines(0, arguments) / ArcsecondsPerRadian;
    logRadius = logRadius + MercuryRadiusTable.AddCosines(0, arguments);
    const double radius = std::pow(10.0, logRadius / 1e6);

    const OrbitPlane plane{0.822852 + 0.020686 * t, 0.122223 + 0.000032 * t,
                           772.2 / ArcsecondsPerRadian, 1.4 / ArcsecondsPerRadian,
                           -0.000032482516634354084};  // -6.7"
    return ProjectOntoEcliptic(l, radius, plane, t);
}

SeriesResult VenusSeries(double t) {
    const double m = ReduceTurns(3.71062623 + 1021.32835 * t + 0.0000224 * t * t);
    const Multiples mm(m, 2);  // the multiples of the mean anomaly
    // Logarithm of the unperturbed radius vector [log10 r].
    double logRadius =
        (5.1 - (2962.4 - 20.7 * t) * mm.Cos(1) - 15.2 * mm.Cos(2)) / 1e6 - 0.14066255;
    // Equation of the centre [arcseconds].
    const double g = (2813.72 - 19.69 * t) * mm.Sin(1) + (12.0 - 0.17 * t) * mm.Sin(2);
    const double perihelion = 2.271787 + (5068.9 * t - 3.5 * t * t) / ArcsecondsPerRadian;
    double l = m + g / ArcsecondsPerRadian + perihelion;

    const double e = 6.2593 + 628.3074 * t;
    const double a = 5.5805 + 334.061 * t;
    const double j = 3.9345 + 52.9689 * t;
    const ArgumentMultiples arguments =
        TermTable::MultiplesFor({e, m, a, j}, {&VenusLongitudeTable, &VenusRadiusTable});
    const double longitudeTerms =
        VenusLongitudeTable.AddCosines(0, arguments) + 2.8 * std::sin(4.1406 + 2.6227 * t);
    l = l + longitudeTerms / ArcsecondsPerRadian;
    logRadius = logRadius + VenusRadiusTable.AddCosines(0, arguments) / 1e6;
    const double radius = std::pow(10.0, logRadius);

    // Inclination terms 181" and 3.6".
    const OrbitPlane plane{1.322604 + 0.015705 * t, 0.05923 + 0.000018 * t, 0.0008775127628086701,
                           0, 0.000017453292519951448};
    return ProjectOntoEcliptic(l, radius, plane, t);
}

SeriesResult MarsSeries(double t) {
    double m = ReduceTurns(5.576661 + 334.053549 * t + 0.00000316 * t * t);
    m = m + 52.5 / ArcsecondsPerRadian * std::sin(0.8287 + 0.3451 * t);
    const Multiples mm(m, 5);  // the multiples of the mean anomaly
    // Logarithm of the unperturbed radius vector [1e-6 of log10 r], before its constant.
    double logRadius = 946.3 + 1.8 * t - (40391.7 + 39 * t) * mm.Cos(1) -
                       (2820.9 + 5.4 * t) * mm.Cos(2) - (248.1 + 0.7 * t) * mm.Cos(3) -
                       24.1 * mm.Cos(4) - 2.5 * mm.Cos(5);
    // Equation of the centre [arcseconds].
    const double g = (38450.9 + 37.3 * t) * mm.Sin(1) + (2237.7 + 4.3 * t) * mm.Sin(2) +
                     (180.6 + 0.5 * t) * mm.Sin(3) + 16.6 * mm.Sin(4) + 1.7 * mm.Sin(5);
    const double perihelion = 5.833208 + 0.03212714820610063 * t;  // 6626.7" a century
    double l = m + g / ArcsecondsPerRadian + perihelion;

    // The perturbation arguments come from a second mean anomaly, all reduced to one turn.
    const double m2 = ReduceTurns(5.576851 + 334.05356 * t);
    const double v = ReduceTurns(3.7069 + 1021.3208 * t);
    const double e = ReduceTurns(6.2555 + 628.2998 * t);
    const double j = ReduceTurns(3.9306 + 52.9614 * t + 0.0058 * std::sin(2.3457 + 0.672 * t));
    const ArgumentMultiples arguments =
        TermTable::MultiplesFor({m2, v, e, j}, {&MarsLongitudeTable, &MarsRadiusTable});
    l = l + MarsLongitudeTable.AddCosines(0, arguments) / ArcsecondsPerRadian;
    logRadius = logRadius + MarsRadiusTable.AddCosines(0, arguments);
    const double radius = std::pow(10.0, 0.182897 + logRadius / 1e6);

    // Inclination terms 53.8" and -2.25".
    const OrbitPlane plane{0.851483 + 0.0134565 * t, 0.032293 - 0.000012 * t, 0.0002608297604370522,
                           0, -0.000010908307824969656};
    return ProjectOntoEcliptic(l, radius, plane, t);
}

}  // namespace nevalorum
