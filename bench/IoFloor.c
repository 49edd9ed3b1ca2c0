/* The floor for a batch conversion: only the I/O that `convert -o DIR`
 * does, with the same durability and nothing else. Reads each FILE, writes
 * its bytes to a temporary file in DIR, makes them all durable with one
 * syncfs, renames each over DIR/NAME.bts and syncs DIR once.
 * Usage: mirovane_io_floor DIR FILE... */
#define _GNU_SOURCE
#include <fcntl.h>
#include <libgen.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static void Die(const char* what, const char* name)
{
    perror(name ? name : what);
    exit(1);
}

static char* ReadWhole(const char* name, size_t* size)
{
    const int fd = open(name, O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0)
        Die("open", name);
    char* bytes = malloc((size_t)info.st_size + 1);
    ssize_t got = read(fd, bytes, (size_t)info.st_size);
    if (got < 0)
        Die("read", name);
    *size = (size_t)got;
    close(fd);
    return bytes;
}

static void WriteWhole(const char* name, const char* bytes, size_t size)
{
    const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        Die("create", name);
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written <= 0)
            Die("write", name);
        bytes += written;
        size -= (size_t)written;
    }
    if (close(fd) != 0)
        Die("close", name);
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s DIR FILE...\n", argv[0]);
        return 2;
    }
    const char* dir = argv[1];
    const int dirFd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        Die("open", dir);
    const int count = argc - 2;
    char(*temporaries)[4096] = calloc((size_t)count, 4096);
    char(*targets)[4096] = calloc((size_t)count, 4096);
    for (int i = 0; i < count; ++i) {
        size_t size = 0;
        char* bytes = ReadWhole(argv[i + 2], &size);
        char* copy = strdup(argv[i + 2]);
        char* base = basename(copy);
        char* dot = strrchr(base, '.');
        if (dot)
            *dot = '\0';
        snprintf(targets[i], 4096, "%s/%s.bts", dir, base);
        snprintf(temporaries[i], 4096, "%s.tmp-%d", targets[i], getpid());
        WriteWhole(temporaries[i], bytes, size);
        free(copy);
        free(bytes);
    }
    if (syncfs(dirFd) != 0)
        Die("syncfs", dir);
    for (int i = 0; i < count; ++i) {
        if (rename(temporaries[i], targets[i]) != 0)
            Die("rename", targets[i]);
    }
    if (fsync(dirFd) != 0)
        Die("fsync", dir);
    close(dirFd);
    free(temporaries);
    free(targets);
    return 0;
}
