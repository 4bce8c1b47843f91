#include "app/working_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "common/files.h"

namespace nevalorum {

namespace fs = std::filesystem;

namespace {

// Creates the folder and those above it; whether it was created. Throws FileError.
bool CreateFolder(const fs::path& folder) {
    std::error_code error;
    const bool created = fs::create_directories(folder, error);
    if (error) {
        throw FileError(folder.string(), error.value());
    }
    return created;
}

}  // namespace

namespace {

// Whether the file at destination is a copy of source cut short: a shorter
// file that holds the start of source (a copy stopped by a full disk or a
// kill). A file of the person's own, such as edited settings, is not one.
bool IsCutShortCopy(const fs::path& destination, const fs::path& source) {
    const std::optional<FileStamp> copy = StampOfExistingFile(destination.string());
    const std::optional<FileStamp> original = StampOfExistingFile(source.string());
    if (!copy || !original || copy->Size >= original->Size) {
        return false;
    }
    const std::string start = ReadWholeFile(destination.string());
    return ReadWholeFile(source.string()).starts_with(start);
}

}  // namespace

InitResult InitWorkingFolder(const std::string& dataFolder, const std::string& workingFolder) {
    InitResult result;
    const fs::path source(dataFolder);
    const fs::path target(workingFolder);
    if (CreateFolder(target)) {
        result.Created.push_back(target.string() + "/");
    }
    std::error_code error;
    fs::recursive_directory_iterator entries(source, error);
    for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        const fs::path destination = target / entries->path().lexically_relative(source);
        if (entries->is_directory(error)) {
            if (CreateFolder(destination)) {
                result.Created.push_back(destination.string() + "/");
            }
            continue;
        }
        if (error) {
            break;
        }
        // Every copy is written whole or not at all, as every file the program writes.
        struct stat present {};
        const bool missing = lstat(destination.c_str(), &present) != 0;
        if (missing && errno != ENOENT) {
            throw FileError(destination.string(), errno);
        }
        if (missing || IsCutShortCopy(destination, entries->path())) {
            WriteFileAtomically(destination.string(), ReadWholeFile(entries->path().string()));
            (missing ? result.Created : result.Repaired).push_back(destination.string());
        }
    }
    if (error) {
        throw FileError(source.string(), error.value());
    }
    return result;
}

std::string ChooseWorkingFolder(const std::string& currentFolder, const std::string& userFolder,
                                const std::string& dataFolder) {
    if (fs::is_directory(fs::path(currentFolder) / "System")) {
        return currentFolder;
    }
    InitWorkingFolder(dataFolder, userFolder);
    return userFolder;
}

namespace {

// The folder share/NAME beside the program's bin/ folder when it holds inside.
std::optional<std::string> BesideProgram(const std::string& name, const std::string& inside) {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = program.parent_path().parent_path() / "share" / name;
        if (fs::is_directory(installed / inside)) {
            return installed.string();
        }
    }
    return std::nullopt;
}

}  // namespace

std::string InstalledDataFolder() {
    return BesideProgram("nevalorum-pelinor", "System").value_or(NEVALORUM_DATA_DIR);
}

std::string InstalledCatalogueFolder() {
    return BesideProgram("locale", ".").value_or(NEVALORUM_LOCALE_DIR);
}

}  // namespace nevalorum
