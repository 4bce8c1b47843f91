// The six-month forecast run inside one process that has already run it:
// six computations, charts and pages with the data files parsed and the font
// loaded, without the archive and without a process's start. What a person
// waits for is process_bench's.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/forecast_run.h"
#include "archive/output_archive.h"

namespace nevalorum {
namespace {

void WarmSixMonthRunInProcess(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "nevalorum_bench_run";
    fs::remove_all(folder);
    fs::copy(std::string(NEVALORUM_SOURCE_DIR) + "/data", folder, fs::copy_options::recursive);
    const ForecastRequest request{
        .PersonName = "Иван", .Birth = {.Day = 5, .Month = 3, .Year = 1990}, .Topic = 3};
    ForecastCaches caches;
    const Folders folders = Folders::ForWorkingFolder(folder.string());
    for (auto _ : state) {
        const FolderLock lock(folders);
        RunForecast(request, lock, {.Year = 2026, .Month = 12}, caches, nullptr);
    }
    fs::remove_all(folder);
}
BENCHMARK(WarmSixMonthRunInProcess)->Unit(benchmark::kMillisecond);

// The archive of a six-month output folder: written anew, and updated when
// nothing changed (every entry copied raw).
class ArchiveFixture : public benchmark::Fixture {
  public:
    void SetUp(const benchmark::State&) override {
        namespace fs = std::filesystem;
        folder_ = fs::temp_directory_path() / "nevalorum_bench_archive";
        fs::remove_all(folder_);
        fs::copy(std::string(NEVALORUM_SOURCE_DIR) + "/data", folder_, fs::copy_options::recursive);
        const ForecastRequest request{
            .PersonName = "", .Birth = {.Day = 5, .Month = 3, .Year = 1990}, .Topic = 3};
        ForecastCaches caches;
        const FolderLock lock(Working());
        RunForecast(request, lock, {.Year = 2026, .Month = 12}, caches, nullptr);
    }
    void TearDown(const benchmark::State&) override { std::filesystem::remove_all(folder_); }

    Folders Working() const { return Folders::ForWorkingFolder(folder_.string()); }

  private:
    std::filesystem::path folder_;
};

BENCHMARK_DEFINE_F(ArchiveFixture, FirstArchive)(benchmark::State& state) {
    for (auto _ : state) {
        std::filesystem::remove(Working().ArchivePath);
        ArchiveOutput(Working());
    }
}
BENCHMARK_REGISTER_F(ArchiveFixture, FirstArchive)->Unit(benchmark::kMillisecond);

BENCHMARK_DEFINE_F(ArchiveFixture, UpdateWithNothingChanged)(benchmark::State& state) {
    ArchiveOutput(Working());
    for (auto _ : state) {
        ArchiveOutput(Working());
    }
}
BENCHMARK_REGISTER_F(ArchiveFixture, UpdateWithNothingChanged)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nevalorum

BENCHMARK_MAIN();
