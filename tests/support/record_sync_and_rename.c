// Loaded with LD_PRELOAD into a program under test: each fsync and fdatasync,
// and each rename, renameat and renameat2, is written as one line to the file
// that NEVALORUM_CALL_LOG names, before the call runs:
//   sync DEVICE:INODE          the file flushed
//   rename DEVICE:INODE NAME   the file renamed, and the name it is given
// so that a test can see which file was flushed before it took its name.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static void Record(const char* line) {
    const char* log = getenv("NEVALORUM_CALL_LOG");
    if (log == NULL) {
        return;
    }
    const int file = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (file >= 0) {
        ssize_t ignored = write(file, line, strlen(line));
        (void)ignored;
        close(file);
    }
}

static void RecordSync(int descriptor) {
    struct stat info;
    char line[128];
    if (fstat(descriptor, &info) == 0) {
        snprintf(line, sizeof line, "sync %llu:%llu\n", (unsigned long long)info.st_dev,
                 (unsigned long long)info.st_ino);
        Record(line);
    }
}

static void RecordRename(int fromFolder, const char* from, const char* to) {
    struct stat info;
    char line[4200];
    if (fstatat(fromFolder, from, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        snprintf(line, sizeof line, "rename %llu:%llu %s\n", (unsigned long long)info.st_dev,
                 (unsigned long long)info.st_ino, to);
        Record(line);
    }
}

int fsync(int descriptor) {
    RecordSync(descriptor);
    int (*next)(int) = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    return next(descriptor);
}

int fdatasync(int descriptor) {
    RecordSync(descriptor);
    int (*next)(int) = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    return next(descriptor);
}

int rename(const char* from, const char* to) {
    RecordRename(AT_FDCWD, from, to);
    int (*next)(const char*, const char*) =
        (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    return next(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    RecordRename(fromFolder, from, to);
    int (*next)(int, const char*, int, const char*) =
        (int (*)(int, const char*, int, const char*))dlsym(RTLD_NEXT, "renameat");
    return next(fromFolder, from, toFolder, to);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    RecordRename(fromFolder, from, to);
    int (*next)(int, const char*, int, const char*, unsigned) =
        (int (*)(int, const char*, int, const char*, unsigned))dlsym(RTLD_NEXT, "renameat2");
    return next(fromFolder, from, toFolder, to, flags);
}
