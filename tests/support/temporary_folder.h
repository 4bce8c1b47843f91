#pragma once
// A folder of its own for one test, removed when the test ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace nevalorum::testing {

class TemporaryFolder {
  public:
    TemporaryFolder() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("nevalorum_" + std::string(test->test_suite_name()) + "_" + test->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() { std::filesystem::remove_all(path_); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The folder's path with a trailing "/", as the program builds paths.
    std::string Path() const { return path_.string() + "/"; }

    // Writes bytes to the relative path, creating its folders; returns the full path.
    std::string Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

  private:
    std::filesystem::path path_;
};

// The folder of the repository's data/, whose System/ is an installation's.
inline std::string SourceDataFolder() {
    return std::string(std::getenv("NEVALORUM_SOURCE_DIR")) + "/data/";
}

}  // namespace nevalorum::testing
