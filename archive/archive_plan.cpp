#include "archive/archive_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <functional>
#include <thread>

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

namespace {

// Runs work(0) to work(count - 1) on up to as many threads as the machine has
// processors (at most four), each index once. When some fail, the failure of
// the lowest index is thrown once all have finished, so the outcome does not
// depend on which thread came first.
void RunInParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
    std::vector<std::exception_ptr> failures(count);
    std::atomic<std::size_t> next = 0;
    const auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                work(i);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        }
    };
    const std::size_t threads =
        std::min<std::size_t>({count, std::max(1u, std::thread::hardware_concurrency()), 4});
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t) {
        helpers.emplace_back(worker);
    }
    worker();
    helpers.clear();  // joins them
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

}  // namespace

UpdatePlan PlanUpdate(const std::vector<CollectedFile>& files, ExistingArchive* existing) {
    // First which files are encoded: the replacements in archive order, then
    // the new files; a replaced entry's slot is filled once they are encoded.
    std::vector<std::size_t> toEncode;
    std::vector<std::optional<std::size_t>> replacementOfEntry;  // index into toEncode
    std::vector<std::uint64_t> copiedSize;                       // of each entry copied as it is

    std::vector<std::u32string> names;
    for (const CollectedFile& file : files) {
        names.push_back(NameIgnoringCase(file.Name));
    }
    std::vector<bool> matched(files.size(), false);
    if (existing != nullptr) {
        existing->ForEachEntry([&](const EntryHeader& entry) {
            if (replacementOfEntry.size() == EntryLimit) {
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
                        replacement = toEncode.size();
                        toEncode.push_back(i);
                    }
                    break;
                }
            }
            replacementOfEntry.push_back(replacement);
            copiedSize.push_back(entry.CompressedSize);
        });
    }
    const std::size_t firstNew = toEncode.size();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!matched[i]) {
            toEncode.push_back(i);
        }
    }

    // Which files keep their data in memory, decided by their sizes now, in
    // order, so that the kept data stays within its limit: a file that grows
    // after this is not kept.
    std::vector<std::uint64_t> keepLimits;
    std::uint64_t keptData = 0;
    for (const std::size_t i : toEncode) {
        struct stat info {};
        const auto size = stat(files[i].Path.c_str(), &info) == 0
                              ? static_cast<std::uint64_t>(info.st_size)
                              : std::uint64_t{0};
        const bool keep = size <= KeptFileLimit && keptData + size <= KeptDataLimit;
        keptData += keep ? size : 0;
        keepLimits.push_back(keep ? size : 0);
    }

    // Deflating is the archive's main cost: the files are encoded side by side.
    std::vector<std::optional<EncodedFile>> encoded(toEncode.size());
    RunInParallel(toEncode.size(), [&](std::size_t job) {
        const CollectedFile& file = files[toEncode[job]];
        encoded[job] = EncodeFile(file.Path, file.Name, keepLimits[job]);
    });

    // A file removed since the folder was listed leaves its entry as it is, or
    // is no new entry.
    UpdatePlan plan;
    plan.FirstNew = static_cast<std::size_t>(
        std::count_if(encoded.begin(), encoded.begin() + static_cast<std::ptrdiff_t>(firstNew),
                      [](const std::optional<EncodedFile>& file) { return file.has_value(); }));
    std::vector<std::optional<std::size_t>> planIndex(toEncode.size());
    for (std::size_t job = 0; job < toEncode.size(); ++job) {
        if (encoded[job]) {
            planIndex[job] = plan.Encoded.size();
            plan.BytesTotal += encoded[job]->Header.CompressedSize;
            plan.Encoded.push_back(std::move(*encoded[job]));
        }
    }
    for (std::size_t entry = 0; entry < replacementOfEntry.size(); ++entry) {
        const std::optional<std::size_t> job = replacementOfEntry[entry];
        const std::optional<std::size_t> replacement = job ? planIndex[*job] : std::nullopt;
        if (!replacement) {
            plan.BytesTotal += copiedSize[entry];
        }
        plan.Replacements.push_back(replacement);
    }
    return plan;
}

}  // namespace nevalorum
