#pragma once
// A working folder laid out as an installation (a copy of data/), with the run
// state of a sample forecast.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/forecast_run.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum::testing {

class InstalledFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(SourceDataFolder(), folder_.Path(),
                              std::filesystem::copy_options::recursive);
        state_.PersonName = "Иван";
        state_.BirthDay = 5;
        state_.BirthMonth = 3;
        state_.BirthYear = 1990;
        state_.Topic = 3;
    }

    Folders WorkingFolders() const { return Folders::ForWorkingFolder(folder_.Path()); }

    TemporaryFolder folder_;
    RunState state_;
    ForecastCaches caches_;
};

}  // namespace nevalorum::testing
