// An existing archive through an update: the input as Output/Horoscop.zip
// beside a few output files, then ArchiveOutput. Only the program's own errors
// are accepted; a failed update leaves the archive as it was, and no update
// leaves a temporary file.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "archive/output_archive.h"
#include "common/errors.h"
#include "fuzz/fuzz_support.h"

using namespace nevalorum;

namespace {

// The output folder with a page, a chart-like binary file, a mark and a file in
// a subfolder; returns the names the folder holds besides the archive.
std::set<std::string> MakeOutputFiles(const Folders& folders) {
    std::string binary;
    for (int i = 0; i < 3000; ++i) {
        binary += static_cast<char>((i * 131 + i / 7) % 256);
    }
    fuzzing::WriteFile(folders.OutputFolder + "Hor_01_2027.html",
                       "<html> <head> <title>\xCB\xFE\xE1\xEE\xE2\xFC</title>\r\n</html>\r\n");
    fuzzing::WriteFile(folders.OutputFolder + "Hor_01_2027.jpeg", binary);
    fuzzing::WriteFile(folders.OutputFolder + "b_blu1.gif", "GIF89a\x01\x00\x01\x00");
    fuzzing::WriteFile(folders.OutputFolder + "extra/\xD0\x9F\xD1\x80\xD0\xB8.txt", "note\r\n");
    return fuzzing::NamesIn(folders.OutputFolder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folders folders = Folders::ForWorkingFolder(fuzzing::ProcessFolder());
    static const std::set<std::string> outputNames = [] {
        std::set<std::string> names = MakeOutputFiles(folders);
        names.insert("Horoscop.zip");
        return names;
    }();

    const std::string existing(reinterpret_cast<const char*>(data), size);
    fuzzing::WriteFile(folders.ArchivePath, existing);
    try {
        ArchiveOutput(folders, [](const ArchiveProgress& progress) {
            if (progress.BytesWritten > progress.BytesTotal) {
                fuzzing::Fail("the progress passes its total");
            }
        });
        const std::string written = fuzzing::ReadFile(folders.ArchivePath);
        if (written.rfind("PK\x03\x04", 0) != 0 && written.rfind("PK\x05\x06", 0) != 0) {
            fuzzing::Fail("the updated archive does not start as an archive");
        }
    } catch (const Error&) {
        if (fuzzing::ReadFile(folders.ArchivePath) != existing) {
            fuzzing::Fail("a failed update changed the archive");
        }
    }
    if (fuzzing::NamesIn(folders.OutputFolder) != outputNames) {
        fuzzing::Fail("the update left a temporary file in Output/ or lost a file");
    }
    return 0;
}
