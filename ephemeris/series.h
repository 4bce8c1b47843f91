#pragma once
// The analytic series of the Sun and the planets Mercury to Neptune. Each routine
// takes T, Julian centuries of 36525 days from 1900 January 0.5, and returns the
// body's ecliptic coordinates and its equatorial rectangular vector of date.
// The Sun's coordinates are geocentric, the planets' heliocentric.

namespace nevalorum {

struct SeriesResult {
    double Longitude = 0;  // ecliptic longitude [radians], reduced by whole turns
    double Latitude = 0;   // ecliptic latitude [radians]
    double Radius = 0;     // radius vector [AU]
    double X = 0;          // equatorial rectangular coordinates, equator and equinox of date [AU]
    double Y = 0;
    double Z = 0;
};

SeriesResult SolarSeries(double t);
SeriesResult MercurySeries(double t);
SeriesResult VenusSeries(double t);
SeriesResult MarsSeries(double t);
SeriesResult JupiterSeries(double t);
SeriesResult SaturnSeries(double t);
SeriesResult UranusSeries(double t);
SeriesResult NeptuneSeries(double t);

}  // namespace nevalorum
