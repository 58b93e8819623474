/* SPDX-License-Identifier: GPL-2.0-or-later */
/* Preloaded into the program by the slow-open test: the first read of the file whose path ends with
 * TARNWICK_SLOW_READ_FILE waits TARNWICK_SLOW_READ_MS milliseconds first, as the first read from a
 * disk spinning up or a network share does. Every other read goes straight through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static atomic_int slowed;

static int IsTheSlowFile(int fd) {
    const char* wanted = getenv("TARNWICK_SLOW_READ_FILE");
    struct stat info;
    if (wanted == NULL || *wanted == '\0' || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;
    }
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0) {
        return 0;
    }
    path[length] = '\0';
    const size_t wantedLength = strlen(wanted);
    return (size_t)length >= wantedLength && strcmp(path + length - wantedLength, wanted) == 0;
}

static void WaitIfFirst(int fd) {
    if (atomic_load(&slowed) || !IsTheSlowFile(fd) || atomic_exchange(&slowed, 1)) {
        return;
    }
    const char* text = getenv("TARNWICK_SLOW_READ_MS");
    const long ms = text ? atol(text) : 3000;
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0) {
    }
}

ssize_t read(int fd, void* buffer, size_t count) {
    static ssize_t (*real)(int, void*, size_t);
    if (real == NULL) {
        real = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
    }
    WaitIfFirst(fd);
    return real(fd, buffer, count);
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
    static ssize_t (*real)(int, void*, size_t, off_t);
    if (real == NULL) {
        real = (ssize_t(*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread64");
    }
    WaitIfFirst(fd);
    return real(fd, buffer, count, offset);
}
