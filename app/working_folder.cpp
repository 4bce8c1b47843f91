#include "app/working_folder.h"

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

std::vector<std::string> InitWorkingFolder(const std::string& dataFolder,
                                           const std::string& workingFolder) {
    std::vector<std::string> created;
    const fs::path source(dataFolder);
    const fs::path target(workingFolder);
    if (CreateFolder(target)) {
        created.push_back(target.string() + "/");
    }
    std::error_code error;
    fs::recursive_directory_iterator entries(source, error);
    for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        const fs::path destination = target / entries->path().lexically_relative(source);
        if (entries->is_directory(error)) {
            if (CreateFolder(destination)) {
                created.push_back(destination.string() + "/");
            }
        } else if (!error && !fs::exists(fs::symlink_status(destination, error))) {
            if (!fs::copy_file(entries->path(), destination, error) || error) {
                throw FileError(destination.string(), error.value());
            }
            created.push_back(destination.string());
        }
        if (error) {
            throw FileError(entries->path().string(), error.value());
        }
    }
    if (error) {
        throw FileError(source.string(), error.value());
    }
    return created;
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
