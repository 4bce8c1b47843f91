// Loaded with LD_PRELOAD into a program under test: the program is killed
// with SIGKILL just before its Nth rename (N from NEVALORUM_KILL_AT_RENAME), as
// a crash or a power cut would stop it at that moment.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

static int renames = 0;

static void KillAtTheChosenRename(void) {
    const char* chosen = getenv("NEVALORUM_KILL_AT_RENAME");
    if (chosen != NULL && ++renames == atoi(chosen)) {
        raise(SIGKILL);
    }
}

int rename(const char* from, const char* to) {
    KillAtTheChosenRename();
    int (*next)(const char*, const char*) =
        (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    return next(from, to);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    KillAtTheChosenRename();
    int (*next)(int, const char*, int, const char*, unsigned) =
        (int (*)(int, const char*, int, const char*, unsigned))dlsym(RTLD_NEXT, "renameat2");
    return next(fromFolder, from, toFolder, to, flags);
}
