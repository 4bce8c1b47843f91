// The nine longitudes of one moment, as a forecast asks for them: the Sun's
// vector computed once, Pluto from a table checked against the disk once per
// computation.

#include <benchmark/benchmark.h>

#include <string>

#include "ephemeris/positions.h"

namespace nevalorum {
namespace {

std::string SystemFolder() {
    return std::string(NEVALORUM_SOURCE_DIR) + "/data/System/";
}

void NineLongitudes(benchmark::State& state) {
    const PlutoSource pluto(SystemFolder());
    double moment = 46000.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeLongitudes(moment, ComputedBodies, pluto));
        moment += 1.0;
        if (moment > 73000) {
            moment = 46000.0;
        }
    }
}
BENCHMARK(NineLongitudes);

// The eight series operations one by one, each computing the Sun again.
void EightOperationsSeparately(benchmark::State& state) {
    SunVector sunVector;
    double moment = 46000.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SunLongitude(moment, sunVector));
        benchmark::DoNotOptimize(MercuryLongitude(moment, sunVector));
        benchmark::DoNotOptimize(VenusLongitude(moment, sunVector));
        benchmark::DoNotOptimize(MarsLongitude(moment, sunVector));
        benchmark::DoNotOptimize(JupiterLongitude(moment, sunVector));
        benchmark::DoNotOptimize(SaturnLongitude(moment, sunVector));
        benchmark::DoNotOptimize(UranusLongitude(moment, sunVector));
        benchmark::DoNotOptimize(NeptuneLongitude(moment, sunVector));
        moment += 1.0;
    }
}
BENCHMARK(EightOperationsSeparately);

}  // namespace
}  // namespace nevalorum

namespace nevalorum {
namespace {

// Each series routine alone, to see where the time of a moment goes.
void OneSeries(benchmark::State& state, SeriesResult (*series)(double)) {
    double t = 1.26;
    for (auto _ : state) {
        benchmark::DoNotOptimize(series(t));
        t += 1.0 / 36525;
    }
}
BENCHMARK_CAPTURE(OneSeries, Sun, SolarSeries);
BENCHMARK_CAPTURE(OneSeries, Mercury, MercurySeries);
BENCHMARK_CAPTURE(OneSeries, Venus, VenusSeries);
BENCHMARK_CAPTURE(OneSeries, Mars, MarsSeries);
BENCHMARK_CAPTURE(OneSeries, Jupiter, JupiterSeries);
BENCHMARK_CAPTURE(OneSeries, Saturn, SaturnSeries);
BENCHMARK_CAPTURE(OneSeries, Uranus, UranusSeries);
BENCHMARK_CAPTURE(OneSeries, Neptune, NeptuneSeries);

// One day's longitude with the table read as far as that day, as `positions` does.
void PlutoOneDay(benchmark::State& state) {
    const std::string folder = SystemFolder();
    double moment = 46000.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlutoSource(folder, moment, moment).Longitude(moment));
    }
}
BENCHMARK(PlutoOneDay);

}  // namespace
}  // namespace nevalorum
