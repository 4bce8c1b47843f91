// The whole six-month forecast run, as the command-line tool makes it: six
// computations, charts and pages, caches warm, without the archive.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/forecast_run.h"
#include "report/offscreen_application.h"

namespace nevalorum {
namespace {

void SixMonthRun(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "nevalorum_bench_run";
    fs::remove_all(folder);
    fs::copy(std::string(NEVALORUM_SOURCE_DIR) + "/data", folder, fs::copy_options::recursive);
    RunState run;
    run.PersonName = "Иван";
    run.BirthDay = 5;
    run.BirthMonth = 3;
    run.BirthYear = 1990;
    run.Topic = 3;
    ForecastCaches caches;
    const Folders folders = Folders::ForWorkingFolder(folder.string());
    for (auto _ : state) {
        RunForecast(run, folders, 12, 2026, caches, nullptr);
    }
    fs::remove_all(folder);
}
BENCHMARK(SixMonthRun)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nevalorum

int main(int argc, char** argv) {
    const nevalorum::OffscreenGuiApplication application;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
