#pragma once
// One forecast at a time in a working folder. A run, its archive step and
// anything that reads the month pages as a whole hold the folder's lock: an
// advisory lock on the open working folder itself (nothing the archive would
// take as an entry), which the system releases when the process ends however
// it ends. Whoever takes the lock first completes a commit that a killed run
// left half done and removes the temporary files it left.

#include <chrono>

#include "common/folders.h"

namespace nevalorum {

// How long a second run waits for the first: a run takes tens of milliseconds.
inline constexpr std::chrono::milliseconds FolderLockWait{10000};

class FolderLock {
  public:
    // Takes the working folder's lock, waiting up to wait for another process
    // (or window) that holds it; then heals the folder. Throws Error naming the
    // folder when it stays taken, FileError when the folder cannot be opened.
    explicit FolderLock(const Folders& folders, std::chrono::milliseconds wait = FolderLockWait);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    const Folders& WorkingFolders() const { return folders_; }

  private:
    Folders folders_;
    int descriptor_ = -1;
};

}  // namespace nevalorum
