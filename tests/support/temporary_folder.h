#pragma once
// A folder of its own for one test, made with mkdtemp so that test runs side by
// side never share one, and removed when the test ends.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace nevalorum::testing {

// The value of an environment variable the test set-up must provide.
inline std::string RequiredEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        throw std::runtime_error(std::string("The environment variable ") + name +
                                 " is not set; run the tests through ctest");
    }
    return value;
}

class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "nevalorum_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("Cannot create a temporary folder from " + pattern);
        }
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;  // a folder the test made unreadable is left behind
        std::filesystem::remove_all(path_, ignored);
    }
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

// Moves the file's modification time a second on, so that a cache keyed by it
// sees a rewrite of the same size as a new version without waiting.
inline void MarkAsChanged(const std::string& path) {
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(1));
}

// The folder of the repository's data/, whose System/ is an installation's.
inline std::string SourceDataFolder() {
    return RequiredEnvironment("NEVALORUM_SOURCE_DIR") + "/data/";
}

}  // namespace nevalorum::testing
