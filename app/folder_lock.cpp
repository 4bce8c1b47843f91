#include "app/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "common/errors.h"
#include "common/files.h"
#include "common/messages.h"

namespace nevalorum {
namespace {

constexpr SharedMessage FolderTaken{
    .Id = MessageId("Another forecast is being written in the folder %s, and it has not finished "
                    "within %d s. Wait until it is done and try again."),
    .Russian =
        "В папке %s сейчас пишется другой прогноз, и он не закончился за %d с. "
        "Дождитесь его окончания и повторите."};

}  // namespace

FolderLock::FolderLock(const Folders& folders, std::chrono::milliseconds wait)
    : folders_(folders),
      descriptor_(open(folders.ProgramFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (descriptor_ < 0) {
        throw FileError(folders.ProgramFolder, errno);
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            close(descriptor_);
            if (error != EWOULDBLOCK) {
                throw FileError(folders.ProgramFolder, error);
            }
            throw Error(Format(Wording(FolderTaken), folders.ProgramFolder.c_str(),
                               static_cast<int>(wait.count() / 1000)));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    try {
        // A run killed part way left its last commit half done and its temporary files.
        CompleteInterruptedCommits(folders_.OutputFolder);
        RemoveTemporaryFiles(folders_.OutputFolder);
        RemoveTemporaryFiles(folders_.SystemFolder);
    } catch (...) {
        close(descriptor_);
        throw;
    }
}

FolderLock::~FolderLock() {
    // Closing the descriptor releases the lock.
    close(descriptor_);
}

}  // namespace nevalorum
