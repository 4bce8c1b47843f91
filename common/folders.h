#pragma once
// The folders of a working folder and the archive's path, built once from the
// working folder and passed to everything that reads or writes there. The
// working folder holds System/ (data files) and Output/ (pages, charts and the
// archive). Folder paths end with "/"; a file's path is its folder's path and
// its name.

#include <string>

namespace nevalorum {

struct Folders {
    std::string ProgramFolder;  // the working folder + "/"
    std::string SystemFolder;   // ProgramFolder + "System/"
    std::string OutputFolder;   // ProgramFolder + "Output/"
    std::string ArchivePath;    // OutputFolder + "Horoscop.zip"

    static Folders ForWorkingFolder(std::string workingFolder) {
        if (workingFolder.empty() || workingFolder.back() != '/') {
            workingFolder += '/';
        }
        const std::string output = workingFolder + "Output/";
        return {.ProgramFolder = workingFolder,
                .SystemFolder = workingFolder + "System/",
                .OutputFolder = output,
                .ArchivePath = output + "Horoscop.zip"};
    }
};

}  // namespace nevalorum
