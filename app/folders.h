#pragma once
// The folders of an installation: the working folder holds System/ (data files)
// and Output/ (pages, charts and the archive). Paths are built by appending
// relative names to folder paths that end with "/".

#include <string>

namespace nevalorum {

struct Folders {
    std::string ProgramFolder;  // the working folder + "/"
    std::string SystemFolder;   // ProgramFolder + "System/"

    static Folders ForWorkingFolder(std::string workingFolder) {
        if (workingFolder.empty() || workingFolder.back() != '/') {
            workingFolder += '/';
        }
        return {workingFolder, workingFolder + "System/"};
    }
};

}  // namespace nevalorum
