#pragma once
// A working folder laid out as an installation (a copy of data/), with the
// request of a sample forecast.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/folder_lock.h"
#include "app/forecast_run.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum::testing {

class InstalledFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(SourceDataFolder(), folder_.Path(),
                              std::filesystem::copy_options::recursive);
        request_ = SampleRequest();
    }

    static ForecastRequest SampleRequest() {
        return {.PersonName = "Иван",
                .Birth = {.Day = 5, .Month = 3, .Year = 1990},
                .Topic = 3,
                .FontSizeSetting = 1};
    }

    Folders WorkingFolders() const { return Folders::ForWorkingFolder(folder_.Path()); }

    // The request's forecast from today's month, holding the folder's lock.
    ForecastResult RunHere(const CalendarMonth& today,
                           const std::function<void(const FinishedMonth&)>& onMonthDone = {}) {
        const FolderLock lock(WorkingFolders());
        return RunForecast(request_, lock, today, caches_, onMonthDone);
    }

    TemporaryFolder folder_;
    ForecastRequest request_ = SampleRequest();
    ForecastCaches caches_;
};

}  // namespace nevalorum::testing
