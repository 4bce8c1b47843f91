#pragma once
// Laying out a working folder from the data an installation ships, and finding
// that data.

#include <string>
#include <vector>

namespace nevalorum {

struct InitResult {
    std::vector<std::string> Created;   // folders (ending in "/") and files
    std::vector<std::string> Repaired;  // copies cut short, written anew
};

// Copies every folder and file of dataFolder into workingFolder where it is
// missing, each file whole or not at all, and writes anew a copy that an
// interrupted earlier copy left cut short; overwrites nothing else.
InitResult InitWorkingFolder(const std::string& dataFolder, const std::string& workingFolder);

// The folder the desktop program works in: currentFolder when it holds an
// installation's System/ folder, else userFolder, laid out from dataFolder
// where anything is missing.
std::string ChooseWorkingFolder(const std::string& currentFolder, const std::string& userFolder,
                                const std::string& dataFolder);

// The installed data: share/nevalorum-pelinor beside the program's bin/ folder
// when the program is installed, else the data folder of the source tree it
// was built from.
std::string InstalledDataFolder();

// The message catalogues: share/locale beside the program's bin/ folder when
// the program is installed, else the catalogues the build compiled.
std::string InstalledCatalogueFolder();

}  // namespace nevalorum
