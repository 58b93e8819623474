// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/ShareMount.h"

#include "tests/support/Poll.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool InMountTable(const std::string& mountPoint) {
    return ReadFileText("/proc/self/mountinfo").find(" " + mountPoint + " ") != std::string::npos;
}

std::string MountNamespace(const std::string& process) {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/" + process + "/ns/mnt", error).string();
}

} // namespace

bool ShareMount::MaySkip() {
    const char* ci = std::getenv("CI");
    return ::access("/dev/fuse", F_OK) != 0 && (ci == nullptr || std::string(ci) != "true");
}

ShareMount::ShareMount() {
    std::filesystem::create_directories(Files());
    std::filesystem::create_directories(MountPoint());
    if (::access("/dev/fuse", F_OK) != 0) {
        problem_ = "this machine has no /dev/fuse";
        return;
    }
    if (MountNamespace("self") == MountNamespace(std::to_string(::getppid()))) {
        problem_ = "a share is mounted only in a mount namespace of the test's own: run the test under "
                   "unshare -m --propagation private";
        return;
    }
    const std::string control = dir_ / "control";
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const std::string errors = dir_ / "errors";
        const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::execl("/usr/bin/python3", "python3", TARNWICK_NETWORK_SHARE, Files().c_str(), MountPoint().c_str(),
                control.c_str(), (dir_ / "asked").c_str(), nullptr);
        ::_exit(127);
    }
    const bool mounted =
        PollUntil([this] { return InMountTable(MountPoint()) || ::waitpid(pid_, nullptr, WNOHANG) == pid_; },
                  std::chrono::seconds(30));
    if (!mounted || !InMountTable(MountPoint())) {
        problem_ = "the share did not mount: " + ReadFileText(dir_ / "errors");
    }
}

ShareMount::~ShareMount() {
    if (pid_ <= 0) {
        return;
    }
    // What waits on the share must be let go before the server goes, or it waits for ever.
    Wake();
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    const std::string unmount = "fusermount3 -u '" + MountPoint() + "' 2>/dev/null";
    if (std::system(unmount.c_str()) != 0 && InMountTable(MountPoint())) {
        ::umount2(MountPoint().c_str(), MNT_DETACH);
    }
}

void ShareMount::Tell(const std::string& line) const {
    // Replaced whole, so that the server never reads half a word.
    const std::string next = dir_.WriteFile("control.next", line + "\n");
    std::filesystem::rename(next, dir_ / "control");
}

void ShareMount::Sleep() {
    Tell("asleep");
}

void ShareMount::HoldOpens() {
    Tell("opens-asleep");
}

void ShareMount::Wake() {
    Tell("awake");
}

bool ShareMount::WaitUntilAsked(int timeoutMs) const {
    return PollUntil([this] { return !Asked().empty(); }, std::chrono::milliseconds(timeoutMs));
}

std::string ShareMount::Asked() const {
    return ReadFileText(dir_ / "asked");
}
