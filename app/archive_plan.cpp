#include "app/archive_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "common/errors.h"
#include "common/files.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

// Files up to this size are kept in memory between their encoding and their
// writing, as long as all kept data stays within KeptDataLimit; larger ones are
// read and deflated again when written.
constexpr std::uint64_t KeptFileLimit = 4 * 1024 * 1024;
constexpr std::uint64_t KeptDataLimit = 32 * 1024 * 1024;
// An archive of more entries than this is not one of this program's.
constexpr std::size_t EntryLimit = 1000000;

struct FileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
};

// The folder's entries in name order, split into regular files and folders;
// symbolic links and other kinds of entry are skipped on purpose.
void ListFolder(const fs::path& folder, std::vector<fs::path>& files,
                std::vector<fs::path>& folders) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::file_status status = entries->symlink_status(error);
        if (error) {
            break;
        }
        if (fs::is_directory(status)) {
            folders.push_back(entries->path());
        } else if (fs::is_regular_file(status)) {
            files.push_back(entries->path());
        }
    }
    if (error) {
        throw FileError(folder.string(), error.value());
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
}

void CollectFolder(const fs::path& folder, std::vector<fs::path>& paths) {
    std::vector<fs::path> files;
    std::vector<fs::path> folders;
    ListFolder(folder, files, folders);
    paths.insert(paths.end(), files.begin(), files.end());
    for (const fs::path& subfolder : folders) {
        CollectFolder(subfolder, paths);
    }
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{info.st_dev, info.st_ino};
}

}  // namespace

std::vector<CollectedFile> CollectOutputFiles(const std::string& outputFolder,
                                              const std::string& archivePath) {
    const std::optional<FileIdentity> archive = IdentityOf(archivePath);
    std::vector<fs::path> paths;
    CollectFolder(outputFolder, paths);
    std::vector<CollectedFile> files;
    std::vector<std::u32string> taken;
    for (const fs::path& path : paths) {
        const std::string name = path.filename().string();
        const std::optional<FileIdentity> identity = IdentityOf(path.string());
        const bool isArchive = archive && identity && identity->Device == archive->Device &&
                               identity->Inode == archive->Inode;
        if (isArchive || IsTemporaryFileName(name)) {
            continue;
        }
        std::u32string key = NameIgnoringCase(name);
        if (std::find(taken.begin(), taken.end(), key) == taken.end()) {
            taken.push_back(std::move(key));
            files.push_back({path.string(), name});
        }
    }
    return files;
}

UpdatePlan PlanUpdate(const std::vector<CollectedFile>& files, ExistingArchive* existing) {
    UpdatePlan plan;
    std::uint64_t keptData = 0;
    const auto encode = [&](const CollectedFile& file) -> std::optional<std::size_t> {
        std::optional<EncodedFile> encoded =
            EncodeFile(file.Path, file.Name, std::min(KeptFileLimit, KeptDataLimit - keptData));
        if (!encoded) {
            return std::nullopt;
        }
        if (encoded->Data) {
            keptData += encoded->Data->size();
        }
        plan.Encoded.push_back(std::move(*encoded));
        return plan.Encoded.size() - 1;
    };

    std::vector<std::u32string> names;
    for (const CollectedFile& file : files) {
        names.push_back(NameIgnoringCase(file.Name));
    }
    std::vector<bool> matched(files.size(), false);
    if (existing != nullptr) {
        existing->ForEachEntry([&](const EntryHeader& entry) {
            if (plan.Replacements.size() == EntryLimit) {
                throw InputOutputError("В архиве больше " + std::to_string(EntryLimit) +
                                       " записей: это не архив прогноза. Переместите его в "
                                       "другую папку, чтобы начать новый.");
            }
            std::optional<std::size_t> replacement;
            const std::u32string name = NameIgnoringCase(NameOfEntry(entry.Name));
            for (std::size_t i = 0; i < files.size(); ++i) {
                if (!matched[i] && names[i] == name) {
                    matched[i] = true;
                    struct stat info {};
                    if (stat(files[i].Path.c_str(), &info) == 0 &&
                        DosDateTime(info.st_mtim.tv_sec) > entry.DosDate) {
                        replacement = encode(files[i]);
                    }
                    break;
                }
            }
            plan.BytesTotal += replacement ? plan.Encoded[*replacement].Header.CompressedSize
                                           : entry.CompressedSize;
            plan.Replacements.push_back(replacement);
        });
    }
    plan.FirstNew = plan.Encoded.size();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!matched[i]) {
            if (const std::optional<std::size_t> index = encode(files[i])) {
                plan.BytesTotal += plan.Encoded[*index].Header.CompressedSize;
            }
        }
    }
    return plan;
}

}  // namespace nevalorum
