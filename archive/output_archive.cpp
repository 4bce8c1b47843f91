#include "archive/output_archive.h"

#include <fcntl.h>

#include <cerrno>
#include <memory>

#include "archive/archive_plan.h"
#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "archive/output_folder.h"
#include "common/errors.h"
#include "common/files.h"

namespace nevalorum {

void ArchiveOutput(const Folders& folders, const ArchiveProgressCallback& progress) {
    OwnedDescriptor output(open(folders.OutputFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (output.Get() < 0) {
        throw CannotCreateFile(folders.ArchivePath, errno);
    }
    const std::unique_ptr<ExistingArchive> existing = ExistingArchive::Open(folders.ArchivePath);
    const std::vector<CollectedFile> files =
        CollectOutputFiles(std::move(output), folders.OutputFolder,
                           existing ? std::optional(existing->Identity()) : std::nullopt);
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
