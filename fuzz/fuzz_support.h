#pragma once
// What the fuzz targets share: one temporary folder per process, made with
// mkdtemp on first use and removed when the process exits normally, and the
// plain file operations the targets set their folders up with.

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace nevalorum::fuzzing {

// Stops the process with a message: a broken property is a finding like a crash.
[[noreturn]] inline void Fail(const std::string& message) {
    std::fprintf(stderr, "FUZZ PROPERTY BROKEN: %s\n", message.c_str());
    std::abort();
}

// The process's own folder, ending with "/". Kept in a plain array, which the
// exit handler that removes the folder can still read.
inline std::string ProcessFolder() {
    static char folder[4096] = "";
    if (folder[0] == '\0') {
        const std::string pattern =
            (std::filesystem::temp_directory_path() / "nevalorum_fuzz_XXXXXX").string();
        if (pattern.size() + 2 > sizeof folder) {
            Fail("the temporary folder's path is too long: " + pattern);
        }
        pattern.copy(folder, pattern.size());
        if (mkdtemp(folder) == nullptr) {
            Fail("cannot create a temporary folder from " + pattern);
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        folder[pattern.size()] = '/';
    }
    return folder;
}

// Writes bytes as the file, creating its folders.
inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        Fail("cannot write " + path);
    }
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The names in a folder (not its subfolders).
inline std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The repository's data/ folder, whose System/ is an installation's.
inline std::string SourceDataFolder() {
    return NEVALORUM_SOURCE_DATA_DIR;
}

}  // namespace nevalorum::fuzzing
