// One month's influence as a forecast computes it, with the Pluto table and the
// topic file already parsed.

#include <benchmark/benchmark.h>

#include <string>

#include "transit/month_influence.h"

namespace nevalorum {
namespace {

void OneMonth(benchmark::State& state) {
    const std::string system = std::string(NEVALORUM_SOURCE_DIR) + "/data/System/";
    TopicFileCache topicCache;
    int month = 1;
    for (auto _ : state) {
        const PlutoSource pluto(system);
        const TopicSource topic(system + "3.dat", topicCache);
        benchmark::DoNotOptimize(ComputeMonthInfluence(
            {.Day = 15, .Month = 6, .Year = 1980}, {.Year = 2026, .Month = month}, pluto, topic));
        month = month % 12 + 1;
    }
}
BENCHMARK(OneMonth)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nevalorum
