// Loaded with LD_PRELOAD into a program under test, it acts at the program's
// Nth rename (rename or renameat2, counted from 1), chosen by the environment:
// - NEVALORUM_KILL_AT_RENAME=N: SIGKILL just before it, as a crash or a power
//   cut would stop the program at that moment;
// - NEVALORUM_FAIL_AT_RENAME=N: the rename fails with EIO, as a failing disk;
// - NEVALORUM_PAUSE_AT_RENAME=N with NEVALORUM_PAUSE_FOLDER=DIR: just before it
//   the program opens the FIFO DIR/paused for writing, which returns once the
//   test opens it for reading, then the FIFO DIR/resume for reading, which
//   returns once the test opens it for writing. The test so knows where the
//   program stands and lets it go on when it chooses, without a clock.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static int renames = 0;

static int Chosen(const char* variable) {
    const char* value = getenv(variable);
    return value != NULL && renames == atoi(value);
}

static void WaitAtTheFifo(const char* name, int flags) {
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", getenv("NEVALORUM_PAUSE_FOLDER"), name);
    const int fifo = open(path, flags);
    if (fifo >= 0) {
        close(fifo);
    }
}

// Whether the rename about to be made is to fail.
static int ActAtThisRename(void) {
    ++renames;
    if (Chosen("NEVALORUM_KILL_AT_RENAME")) {
        raise(SIGKILL);
    }
    if (Chosen("NEVALORUM_PAUSE_AT_RENAME")) {
        WaitAtTheFifo("paused", O_WRONLY);
        WaitAtTheFifo("resume", O_RDONLY);
    }
    return Chosen("NEVALORUM_FAIL_AT_RENAME");
}

int rename(const char* from, const char* to) {
    if (ActAtThisRename()) {
        errno = EIO;
        return -1;
    }
    int (*next)(const char*, const char*) =
        (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    return next(from, to);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    if (ActAtThisRename()) {
        errno = EIO;
        return -1;
    }
    int (*next)(int, const char*, int, const char*, unsigned) =
        (int (*)(int, const char*, int, const char*, unsigned))dlsym(RTLD_NEXT, "renameat2");
    return next(fromFolder, from, toFolder, to, flags);
}
