#include "app/working_folder.h"

#include <filesystem>

namespace nevalorum {

namespace fs = std::filesystem;

std::vector<std::string> InitWorkingFolder(const std::string& dataFolder,
                                           const std::string& workingFolder) {
    std::vector<std::string> created;
    const fs::path source(dataFolder);
    const fs::path target(workingFolder);
    if (fs::create_directories(target)) {
        created.push_back(target.string() + "/");
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source)) {
        const fs::path destination = target / fs::relative(entry.path(), source);
        if (entry.is_directory()) {
            if (fs::create_directories(destination)) {
                created.push_back(destination.string() + "/");
            }
        } else if (!fs::exists(destination)) {
            fs::copy_file(entry.path(), destination);
            created.push_back(destination.string());
        }
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

std::string InstalledDataFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = program.parent_path().parent_path() / "share/nevalorum-pelinor";
        if (fs::is_directory(installed / "System")) {
            return installed.string();
        }
    }
    return NEVALORUM_DATA_DIR;
}

}  // namespace nevalorum
