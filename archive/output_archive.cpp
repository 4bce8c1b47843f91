#include "archive/output_archive.h"

#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "archive/archive_plan.h"
#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "common/errors.h"
#include "common/files.h"

namespace nevalorum {

void ArchiveOutput(const Folders& folders, const ArchiveProgressCallback& progress) {
    struct stat output {};
    if (stat(folders.OutputFolder.c_str(), &output) != 0 || !S_ISDIR(output.st_mode)) {
        throw CannotCreateFile(folders.ArchivePath, ENOENT);
    }
    const std::vector<CollectedFile> files =
        CollectOutputFiles(folders.OutputFolder, folders.ArchivePath);
    std::unique_ptr<ExistingArchive> existing;
    if (FileExists(folders.ArchivePath)) {
        existing = std::make_unique<ExistingArchive>(folders.ArchivePath);
    }
    const UpdatePlan plan = PlanUpdate(files, existing.get());

    ArchiveWriter writer(folders.ArchivePath);
    ArchiveProgress state{.BytesWritten = 0, .BytesTotal = plan.BytesTotal};
    const DataSink write = [&](std::string_view block) {
        writer.Write(block);
        state.BytesWritten += block.size();
        if (progress) {
            progress(state);
        }
    };
    const auto writeEncoded = [&](const EncodedFile& file) {
        writer.Begin(file.Header);
        WriteEncodedData(file, write);
        writer.End(file.Header);
    };
    if (existing) {
        std::size_t index = 0;
        existing->CopyEachEntry(
            [&](const EntryHeader& entry, const ExistingArchive::DataReader& readData) {
                const std::optional<std::size_t> replacement = plan.Replacements.at(index++);
                if (replacement) {
                    writeEncoded(plan.Encoded[*replacement]);
                    return;
                }
                writer.Begin(entry);
                readData(write);
                writer.End(entry);
            });
    }
    for (std::size_t i = plan.FirstNew; i < plan.Encoded.size(); ++i) {
        writeEncoded(plan.Encoded[i]);
    }
    writer.Commit();
}

}  // namespace nevalorum
