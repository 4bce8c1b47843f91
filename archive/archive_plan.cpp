#include "archive/archive_plan.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>
#include <unordered_map>

#include "common/errors.h"
#include "common/files.h"

namespace nevalorum {
namespace {

// Files up to this size are kept in memory between their encoding and their
// writing, as long as all kept data stays within KeptDataLimit; larger ones are
// read and deflated again when written.
constexpr std::uint64_t KeptFileLimit = 4 * 1024 * 1024;
constexpr std::uint64_t KeptDataLimit = 32 * 1024 * 1024;
// An archive of more entries than this is not one of this program's.
constexpr std::size_t EntryLimit = 1000000;

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
    // Each existing entry finds its file by name, ignoring letter case; the
    // names of the folder are unique so.
    std::unordered_map<std::u32string, std::size_t> fileByName;
    fileByName.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        fileByName.emplace(NameIgnoringCase(files[i].Name), i);
    }
    struct Match {
        std::size_t Entry = 0;
        std::size_t File = 0;
        EntryHeader Header;
    };
    std::vector<Match> matches;
    std::vector<std::uint64_t> copiedSize;  // of each entry copied as it is
    std::vector<bool> matched(files.size(), false);
    if (existing != nullptr) {
        existing->ForEachEntry([&](const EntryHeader& entry) {
            if (copiedSize.size() == EntryLimit) {
                throw InputOutputError("В архиве больше " + std::to_string(EntryLimit) +
                                       " записей: это не архив прогноза. Переместите его в "
                                       "другую папку, чтобы начать новый.");
            }
            const auto found = fileByName.find(NameIgnoringCase(NameOfEntry(entry.Name)));
            if (found != fileByName.end() && !matched[found->second]) {
                matched[found->second] = true;
                matches.push_back(
                    {.Entry = copiedSize.size(), .File = found->second, .Header = entry});
            }
            copiedSize.push_back(entry.CompressedSize);
        });
    }

    // Which matched files differ from their entries; reading a file for its
    // CRC-32, where time and size do not decide, runs side by side. A file
    // gone since the listing leaves its entry as it is.
    std::vector<char> differs(matches.size(), 0);
    RunInParallel(matches.size(), [&](std::size_t i) {
        differs[i] = DiffersFromEntry(files[matches[i].File], matches[i].Header).value_or(false);
    });

    // Which files are encoded: the replacements in archive order, then the new
    // files; a replaced entry's slot is filled once they are encoded.
    std::vector<std::size_t> toEncode;
    std::vector<std::optional<std::size_t>> replacementOfEntry(copiedSize.size());  // into toEncode
    for (std::size_t i = 0; i < matches.size(); ++i) {
        if (differs[i]) {
            replacementOfEntry[matches[i].Entry] = toEncode.size();
            toEncode.push_back(matches[i].File);
        }
    }
    const std::size_t firstNew = toEncode.size();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!matched[i]) {
            toEncode.push_back(i);
        }
    }

    // Which files keep their data in memory, decided by their sizes as listed, in
    // order, so that the kept data stays within its limit: a file that grows
    // after this is not kept.
    std::vector<std::uint64_t> keepLimits;
    std::uint64_t keptData = 0;
    for (const std::size_t i : toEncode) {
        const std::uint64_t size = files[i].Size;
        const bool keep = size <= KeptFileLimit && keptData + size <= KeptDataLimit;
        keptData += keep ? size : 0;
        keepLimits.push_back(keep ? size : 0);
    }

    // Deflating is the archive's main cost: the files are encoded side by side.
    std::vector<std::optional<EncodedFile>> encoded(toEncode.size());
    RunInParallel(toEncode.size(), [&](std::size_t job) {
        encoded[job] = EncodeFile(files[toEncode[job]], keepLimits[job]);
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
