// Writes the Pluto table that the program reads as System/pluto.sys: one line per
// day from 1900-01-01 (line 1) to 2100-12-31, Pluto's geocentric ecliptic
// longitude at noon, geometric, mean equinox of date, rounded to the nearest
// whole degree (0 to 359), lines ended by CR LF.
//
// Usage: make_pluto_table OUTPUT [--check]
// With --check it prints the unrounded longitudes of a few dates instead.

#include <swephexp.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Julian day number of 1900-01-01 12:00, the table's day 1.
constexpr double FirstDayJulian = 2415021.0;
// Days from 1900-01-01 to 2100-12-31, both included.
constexpr int DayCount = 73414;

// Pluto's geocentric longitude [degrees] at the Julian day, geometric (no light
// time, aberration or deflection) and referred to the mean equinox of date.
double PlutoLongitude(double julianDay) {
    double position[6];
    char error[AS_MAXCH];
    const int flags = SEFLG_SWIEPH | SEFLG_TRUEPOS | SEFLG_NONUT;
    const int result = swe_calc(julianDay, SE_PLUTO, flags, position, error);
    if (result < 0 || (result & SEFLG_SWIEPH) == 0) {
        std::fprintf(stderr, "Pluto at JD %.1f: %s\n", julianDay,
                     result < 0 ? error : "ephemeris files not used");
        std::exit(1);
    }
    return position[0];
}

int WholeDegrees(double longitude) {
    const int rounded = static_cast<int>(std::lround(longitude));
    return rounded % 360;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: make_pluto_table OUTPUT [--check]\n");
        return 2;
    }
    swe_set_ephe_path(const_cast<char*>("/usr/share/libswe/ephe"));
    if (argc > 2 && std::strcmp(argv[2], "--check") == 0) {
        const struct {
            const char* date;
            double julianDay;
        } checks[] = {
            {"1900-01-01", 2415021.0}, {"2000-01-01", 2451545.0}, {"2026-12-07", 2461382.0}};
        for (const auto& check : checks) {
            std::printf("%s %.2f\n", check.date, PlutoLongitude(check.julianDay));
        }
        swe_close();
        return 0;
    }
    const std::string outputPath = argv[1];
    const std::string temporaryPath = outputPath + ".tmp";
    std::FILE* out = std::fopen(temporaryPath.c_str(), "wb");
    if (out == nullptr) {
        std::perror(temporaryPath.c_str());
        return 1;
    }
    for (int day = 0; day < DayCount; ++day) {
        std::fprintf(out, "%d\r\n", WholeDegrees(PlutoLongitude(FirstDayJulian + day)));
    }
    swe_close();
    if (std::fclose(out) != 0 || std::rename(temporaryPath.c_str(), outputPath.c_str()) != 0) {
        std::perror(outputPath.c_str());
        return 1;
    }
    return 0;
}
