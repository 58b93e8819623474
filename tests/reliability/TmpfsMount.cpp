// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/reliability/TmpfsMount.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

TmpfsMount::TmpfsMount(std::string folder, std::size_t sizeBytes) : folder_(std::move(folder)) {
    const std::string options = "size=" + std::to_string(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
        mounted_ = true;
    } else {
        problem_ = "cannot mount a tmpfs on " + folder_ + ": " + std::strerror(errno) +
                   " (the test needs the administrator's right to mount)";
    }
}

TmpfsMount::~TmpfsMount() {
    Unmount();
}

void TmpfsMount::Unmount() {
    if (mounted_) {
        ::umount2(folder_.c_str(), MNT_DETACH);
        mounted_ = false;
    }
}

std::size_t FillFileSystem(const std::string& fillerPath) {
    const int fd = ::open(fillerPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return 0;
    }
    const std::string block(4096, 'x');
    std::size_t total = 0;
    for (;;) {
        const ssize_t written = ::write(fd, block.data(), block.size());
        if (written <= 0) {
            break;
        }
        total += static_cast<std::size_t>(written);
    }
    ::close(fd);
    return total;
}
