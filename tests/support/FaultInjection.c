/* Makes the Nth call of one family of file system calls fail with a chosen
 * errno, counting only calls that touch one folder, so the start-up of Qt
 * (plugins, locale files, fonts) never shifts the count and a run is
 * deterministic. Families: "open" (open, openat, creat), "write" (write,
 * pwrite), "sync" (fsync, fdatasync, syncfs), "rename" (rename, renameat),
 * "mkdir" and "close".
 *
 * Preloaded (LD_PRELOAD) it reads MIROVANE_FAULT_DIR (the folder),
 * MIROVANE_FAULT_CALL (the family), MIROVANE_FAULT_N (0: count only) and
 * MIROVANE_FAULT_ERRNO, and at exit writes "FAMILY COUNT" lines and
 * "fired 0|1" to MIROVANE_FAULT_REPORT. Linked into a test program it is
 * driven through FaultInjection.h instead. */
#define _GNU_SOURCE
#include "FaultInjection.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

enum { kMaxFds = 4096, kFolderMax = 4096 };

static const char* const kFamilies[kFaultFamilyCount]
    = { "open", "write", "sync", "rename", "mkdir", "close" };

static char gFolder[kFolderMax];
static size_t gFolderLength;
static int gFamily = -1;
static long gFailAt;
static int gErrno;
static long gCounts[kFaultFamilyCount];
static int gFired;
/* Per descriptor: 1 opened under the folder, 2 under it and writable. */
static unsigned char gFds[kMaxFds];

static void* Next(const char* name)
{
    return dlsym(RTLD_NEXT, name);
}

static int UnderFolder(const char* path)
{
    if (gFolderLength == 0 || path == NULL || strncmp(path, gFolder, gFolderLength) != 0)
        return 0;
    return path[gFolderLength] == '\0' || path[gFolderLength] == '/';
}

static int FdUnderFolder(int fd)
{
    return fd >= 0 && fd < kMaxFds && gFds[fd] != 0;
}

/* Counts a call of FAMILY; true when this one is to fail. */
static int Fails(int family)
{
    const long count = __atomic_add_fetch(&gCounts[family], 1, __ATOMIC_SEQ_CST);
    if (family != gFamily || count != gFailAt)
        return 0;
    gFired = 1;
    errno = gErrno;
    return 1;
}

static int AtUnderFolder(int dirFd, const char* path)
{
    return (path && path[0] == '/') ? UnderFolder(path) : FdUnderFolder(dirFd);
}

static void Remember(int fd, int flags)
{
    if (fd >= 0 && fd < kMaxFds)
        gFds[fd] = (flags & O_ACCMODE) == O_RDONLY ? 1 : 2;
}

void FaultInjectionConfigure(const char* folder, int family, long failAt, int error)
{
    gFolderLength = 0;
    if (folder && strlen(folder) < kFolderMax) {
        strcpy(gFolder, folder);
        gFolderLength = strlen(folder);
        while (gFolderLength > 1 && gFolder[gFolderLength - 1] == '/')
            gFolder[--gFolderLength] = '\0';
    }
    gFamily = family;
    gFailAt = failAt;
    gErrno = error;
    gFired = 0;
    memset(gCounts, 0, sizeof gCounts);
}

long FaultInjectionCount(int family)
{
    return gCounts[family];
}

int FaultInjectionFired(void)
{
    return gFired;
}

const char* FaultInjectionFamilyName(int family)
{
    return kFamilies[family];
}

static int FamilyByName(const char* name)
{
    for (int i = 0; name && i < kFaultFamilyCount; ++i) {
        if (strcmp(kFamilies[i], name) == 0)
            return i;
    }
    return -1;
}

__attribute__((constructor)) static void ConfigureFromEnvironment(void)
{
    const char* folder = getenv("MIROVANE_FAULT_DIR");
    if (!folder)
        return;
    const char* n = getenv("MIROVANE_FAULT_N");
    const char* error = getenv("MIROVANE_FAULT_ERRNO");
    FaultInjectionConfigure(
        folder, FamilyByName(getenv("MIROVANE_FAULT_CALL")), n ? atol(n) : 0, error ? atoi(error) : EIO);
}

__attribute__((destructor)) static void WriteReport(void)
{
    const char* path = getenv("MIROVANE_FAULT_REPORT");
    if (!path)
        return;
    char text[512];
    int length = 0;
    for (int i = 0; i < kFaultFamilyCount; ++i)
        length += snprintf(text + length, sizeof text - length, "%s %ld\n", kFamilies[i], gCounts[i]);
    length += snprintf(text + length, sizeof text - length, "fired %d\n", gFired);
    /* Straight to the kernel: the report is no call of the run. */
    const int fd = (int)syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (syscall(SYS_write, fd, text, (size_t)length) < 0)
        perror("fault report");
    syscall(SYS_close, fd);
}

/* ---- open family ---- */

static int OpenCommon(const char* name, int dirFd, const char* path, int flags, mode_t mode, int at)
{
    const int counted = at ? AtUnderFolder(dirFd, path) : UnderFolder(path);
    if (counted && Fails(FaultOpen))
        return -1;
    int fd;
    if (at) {
        int (*real)(int, const char*, int, ...) = (int (*)(int, const char*, int, ...))Next(name);
        fd = real(dirFd, path, flags, mode);
    } else {
        int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))Next(name);
        fd = real(path, flags, mode);
    }
    if (fd >= 0 && fd < kMaxFds)
        gFds[fd] = 0;
    if (counted)
        Remember(fd, flags);
    return fd;
}

static mode_t ModeArgument(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(args, int) : 0;
}

#define OPEN_WRAPPER(NAME)                                                                                   \
    int NAME(const char* path, int flags, ...)                                                               \
    {                                                                                                        \
        va_list args;                                                                                        \
        va_start(args, flags);                                                                               \
        const mode_t mode = ModeArgument(flags, args);                                                       \
        va_end(args);                                                                                        \
        return OpenCommon(#NAME, AT_FDCWD, path, flags, mode, 0);                                            \
    }
#define OPENAT_WRAPPER(NAME)                                                                                 \
    int NAME(int dirFd, const char* path, int flags, ...)                                                    \
    {                                                                                                        \
        va_list args;                                                                                        \
        va_start(args, flags);                                                                               \
        const mode_t mode = ModeArgument(flags, args);                                                       \
        va_end(args);                                                                                        \
        return OpenCommon(#NAME, dirFd, path, flags, mode, 1);                                               \
    }

OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)
OPENAT_WRAPPER(openat)
OPENAT_WRAPPER(openat64)

int creat(const char* path, mode_t mode)
{
    return open(path, O_WRONLY | O_CREAT | O_TRUNC, mode);
}

int creat64(const char* path, mode_t mode)
{
    return open(path, O_WRONLY | O_CREAT | O_TRUNC, mode);
}

/* The fortified forms that _FORTIFY_SOURCE builds call. */
int __open_2(const char* path, int flags)
{
    return OpenCommon("open", AT_FDCWD, path, flags, 0, 0);
}

int __open64_2(const char* path, int flags)
{
    return OpenCommon("open64", AT_FDCWD, path, flags, 0, 0);
}

/* ---- write family ---- */

ssize_t write(int fd, const void* data, size_t size)
{
    if (FdUnderFolder(fd) && Fails(FaultWrite))
        return -1;
    ssize_t (*real)(int, const void*, size_t) = (ssize_t(*)(int, const void*, size_t))Next("write");
    return real(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset)
{
    if (FdUnderFolder(fd) && Fails(FaultWrite))
        return -1;
    ssize_t (*real)(int, const void*, size_t, off_t)
        = (ssize_t(*)(int, const void*, size_t, off_t))Next("pwrite");
    return real(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset)
{
    if (FdUnderFolder(fd) && Fails(FaultWrite))
        return -1;
    ssize_t (*real)(int, const void*, size_t, off64_t)
        = (ssize_t(*)(int, const void*, size_t, off64_t))Next("pwrite64");
    return real(fd, data, size, offset);
}

/* ---- sync family ---- */

#define SYNC_WRAPPER(NAME)                                                                                   \
    int NAME(int fd)                                                                                         \
    {                                                                                                        \
        if (FdUnderFolder(fd) && Fails(FaultSync))                                                           \
            return -1;                                                                                       \
        int (*real)(int) = (int (*)(int))Next(#NAME);                                                        \
        return real(fd);                                                                                     \
    }

SYNC_WRAPPER(fsync)
SYNC_WRAPPER(fdatasync)
SYNC_WRAPPER(syncfs)

/* ---- rename family ---- */

int rename(const char* from, const char* to)
{
    if ((UnderFolder(from) || UnderFolder(to)) && Fails(FaultRename))
        return -1;
    int (*real)(const char*, const char*) = (int (*)(const char*, const char*))Next("rename");
    return real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    if ((AtUnderFolder(fromDir, from) || AtUnderFolder(toDir, to)) && Fails(FaultRename))
        return -1;
    int (*real)(int, const char*, int, const char*)
        = (int (*)(int, const char*, int, const char*))Next("renameat");
    return real(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags)
{
    if ((AtUnderFolder(fromDir, from) || AtUnderFolder(toDir, to)) && Fails(FaultRename))
        return -1;
    int (*real)(int, const char*, int, const char*, unsigned int)
        = (int (*)(int, const char*, int, const char*, unsigned int))Next("renameat2");
    return real(fromDir, from, toDir, to, flags);
}

/* ---- mkdir ---- */

int mkdir(const char* path, mode_t mode)
{
    if (UnderFolder(path) && Fails(FaultMkdir))
        return -1;
    int (*real)(const char*, mode_t) = (int (*)(const char*, mode_t))Next("mkdir");
    return real(path, mode);
}

int mkdirat(int dirFd, const char* path, mode_t mode)
{
    if (AtUnderFolder(dirFd, path) && Fails(FaultMkdir))
        return -1;
    int (*real)(int, const char*, mode_t) = (int (*)(int, const char*, mode_t))Next("mkdirat");
    return real(dirFd, path, mode);
}

/* ---- close ----
 * Only descriptors opened for writing count: their close is where a network
 * file system reports data it could not store. The descriptor is closed
 * either way, as the kernel does when close fails. */

int close(int fd)
{
    const int counted = fd >= 0 && fd < kMaxFds && gFds[fd] == 2;
    if (fd >= 0 && fd < kMaxFds)
        gFds[fd] = 0;
    int (*real)(int) = (int (*)(int))Next("close");
    if (counted && Fails(FaultClose)) {
        const int error = errno;
        real(fd);
        errno = error;
        return -1;
    }
    return real(fd);
}
