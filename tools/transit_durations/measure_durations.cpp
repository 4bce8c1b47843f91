// Measures how many days in a row one aspect of a transit body to one natal
// point lasts, as the forecast sees it: the program's own noon positions and
// aspect test, day after day. The help pages quote these figures.
//
// Usage: measure_durations [FIRST_YEAR LAST_YEAR [STEP_DEGREES]]
// (default 2024 2035 0.05). For every natal longitude 0, STEP, 2 STEP, … below
// 360 it follows the Sun, Mercury, Venus and Mars at noon of every day of the
// years and collects each run of consecutive days on which one aspect holds;
// runs cut by the first or the last day are left out. It prints, per transit
// body, the number of runs, their median, 10th and 90th percentile and the
// longest run, with its aspect and its first day.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ephemeris/positions.h"
#include "ephemeris/time_scale.h"
#include "transit/orb.h"

namespace nevalorum {
namespace {

struct TransitBody {
    const char* Name;
    double (*Longitude)(EphemerisDay, SunVector&);
};

constexpr TransitBody Bodies[] = {
    {"Sun", SunLongitude},
    {"Mercury", MercuryLongitude},
    {"Venus", VenusLongitude},
    {"Mars", MarsLongitude},
};

struct LongestRun {
    int Days = 0;
    int Aspect = NoAspect;
    EphemerisDay First = 0;
    double Natal = 0;
};

// The value below which the share q of the sorted durations lies (nearest rank).
int Percentile(const std::vector<int>& sorted, double q) {
    const std::size_t rank =
        static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[rank];
}

int Measure(int firstYear, int lastYear, double step) {
    const EphemerisDay first = NoonOf({.Day = 1, .Month = 1, .Year = firstYear});
    const EphemerisDay last = NoonOf({.Day = 31, .Month = 12, .Year = lastYear});
    const int days = static_cast<int>(last - first) + 1;
    std::printf(
        "noon of every day %d-01-01 to %d-12-31 (%d days), natal longitudes every %g "
        "degrees, orb %g degrees\n",
        firstYear, lastYear, days, step, AspectOrb);
    std::printf("%-8s %8s %7s %5s %5s %8s   longest: aspect, first day\n", "body", "runs", "median",
                "p10", "p90", "longest");

    for (const TransitBody& body : Bodies) {
        std::vector<double> longitudes(static_cast<std::size_t>(days));
        SunVector sun;
        for (int day = 0; day < days; ++day) {
            longitudes[static_cast<std::size_t>(day)] = body.Longitude(first + day, sun);
        }
        std::vector<int> durations;
        LongestRun longest;
        for (double natal = 0; natal < 360; natal += step) {
            int aspect = NoAspect;
            int start = 0;
            // One step past the last day closes a run still open.
            for (int day = 0; day <= days; ++day) {
                const int now = day < days ? FindAspect(AspectOrb, natal,
                                                        longitudes[static_cast<std::size_t>(day)])
                                           : NoAspect;
                if (now == aspect) {
                    continue;
                }
                if (aspect != NoAspect && start > 0 && day < days) {
                    const int length = day - start;
                    durations.push_back(length);
                    if (length > longest.Days) {
                        longest = {.Days = length,
                                   .Aspect = aspect,
                                   .First = first + start,
                                   .Natal = natal};
                    }
                }
                aspect = now;
                start = day;
            }
        }
        std::sort(durations.begin(), durations.end());
        const CalendarMoment from = EphemerisDayToCalendar(longest.First);
        std::printf("%-8s %8zu %7d %5d %5d %8d   %d to %.2f, from %d-%02d-%02d\n", body.Name,
                    durations.size(), Percentile(durations, 0.5), Percentile(durations, 0.1),
                    Percentile(durations, 0.9), longest.Days, longest.Aspect, longest.Natal,
                    from.Year, from.Month, from.Day);
    }
    return 0;
}

}  // namespace
}  // namespace nevalorum

int main(int argc, char** argv) {
    if (argc != 1 && argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s [FIRST_YEAR LAST_YEAR [STEP_DEGREES]]\n", argv[0]);
        return 2;
    }
    const int firstYear = argc > 1 ? std::atoi(argv[1]) : 2024;
    const int lastYear = argc > 2 ? std::atoi(argv[2]) : 2035;
    const double step = argc > 3 ? std::atof(argv[3]) : 0.05;
    if (firstYear < 1901 || lastYear > 2099 || firstYear > lastYear || !(step > 0)) {
        std::fprintf(stderr, "years 1901 to 2099, the first not after the last; a step above 0\n");
        return 2;
    }
    return nevalorum::Measure(firstYear, lastYear, step);
}
