#include "archive/archive_plan.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>
#include <unordered_map>

#include "common/errors.h"
#include "common/files.h"
#include "common/messages.h"

namespace nevalorum {
namespace {

constexpr SharedMessage TooManyEntries{
    .Id = MessageId("The archive holds more than %ju entries: it is no forecast archive. Move it "
                    "to another folder to start a new one."),
    .Russian =
        "В архиве больше %ju записей: это не архив прогноза. Переместите его в другую "
        "папку, чтобы начать новый."};

// Files up to this size are kept in memory between their encoding and their
// writing, as long as all kept data stays within KeptDataLimit; others are
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
                throw InputOutputError(
                    Format(Wording(TooManyEntries), static_cast<std::uintmax_t>(EntryLimit)));
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

    // Each file is opened once, without following a link, and read side by
    // side with the others: a matched file for its CRC-32 where time and size
    // do not decide, a changed or new one to be encoded. A file gone since the
    // listing (or now a link, or no regular file) leaves its entry as it is, or
    // is no new entry. Small files keep their data in memory while the kept
    // data stays within its limit.
    std::vector<std::optional<std::size_t>> matchOfFile(files.size());
    for (std::size_t i = 0; i < matches.size(); ++i) {
        matchOfFile[matches[i].File] = i;
    }
    const std::optional<FileIdentity> archive =
        existing != nullptr ? std::optional(existing->Identity()) : std::nullopt;
    std::atomic<std::uint64_t> keptData = 0;
    const auto keepLimit = [&](std::uint64_t size) -> std::uint64_t {
        std::uint64_t kept = keptData.load();
        while (size <= KeptFileLimit && kept + size <= KeptDataLimit) {
            if (keptData.compare_exchange_weak(kept, kept + size)) {
                return size;
            }
        }
        return 0;
    };
    std::vector<std::optional<EncodedFile>> encoded(files.size());
    RunInParallel(files.size(), [&](std::size_t i) {
        const std::optional<OpenedOutputFile> opened = OpenCollectedFile(files[i]);
        if (!opened || IdentityOf(opened->Info) == archive) {
            return;
        }
        if (matchOfFile[i] &&
            !DiffersFromEntry(*opened, files[i].Path(), matches[*matchOfFile[i]].Header)) {
            return;
        }
        encoded[i] = EncodeFile(files[i], *opened,
                                keepLimit(static_cast<std::uint64_t>(opened->Info.st_size)));
    });

    // The replacements in archive order, then the new files in the order collected.
    UpdatePlan plan;
    std::vector<std::optional<std::size_t>> replacementOfEntry(copiedSize.size());
    for (const Match& match : matches) {
        if (encoded[match.File]) {
            replacementOfEntry[match.Entry] = plan.Encoded.size();
            plan.Encoded.push_back(std::move(*encoded[match.File]));
        }
    }
    plan.FirstNew = plan.Encoded.size();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!matched[i] && encoded[i]) {
            plan.Encoded.push_back(std::move(*encoded[i]));
        }
    }
    for (const EncodedFile& file : plan.Encoded) {
        plan.BytesTotal += file.Header.CompressedSize;
    }
    for (std::size_t entry = 0; entry < replacementOfEntry.size(); ++entry) {
        if (!replacementOfEntry[entry]) {
            plan.BytesTotal += copiedSize[entry];
        }
    }
    plan.Replacements = std::move(replacementOfEntry);
    return plan;
}

}  // namespace nevalorum
