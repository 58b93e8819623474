// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failing close (a full disk on some file systems) can be seen.
    int Close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

std::string ResolveLinks(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && ::realpath(path.c_str(), resolved)) {
        return resolved;
    }
    return path;
}

void WriteAll(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowErrno(errno, path);
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string TemporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".tmp-";
}

// The process that wrote a temporary file, from its name: "<prefix><pid>-XXXXXX". Nothing for a name
// of the older form "<prefix>XXXXXX", which carries no writer.
std::optional<pid_t> WriterOf(std::string_view suffix) {
    const std::size_t dash = suffix.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 9 || suffix.size() != dash + 7) {
        return std::nullopt;
    }
    pid_t pid = 0;
    for (char digit : suffix.substr(0, dash)) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        pid = pid * 10 + (digit - '0');
    }
    return pid;
}

bool IsAlive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// A writer killed between creating its temporary file and renaming it leaves the file behind; the
// next writer clears it away. A temporary whose writer still runs is another player saving into the
// same file at this moment, and is left to it.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    std::string prefix = TemporaryPrefix(target);
    std::string folder = target.parent_path().string();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        return;
    }
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        std::string_view suffix = name.substr(prefix.size());
        const std::optional<pid_t> writer = WriterOf(suffix);
        const bool olderForm = !writer && suffix.size() == 6;
        if (olderForm || (writer && (*writer == ::getpid() || !IsAlive(*writer)))) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        ThrowErrno(errno, path);
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowErrno(errno, path);
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
    std::filesystem::path target = ResolveLinks(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }

    mode_t mode = 0644;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            ThrowErrno(EISDIR, target.string());
        }
        if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            ThrowErrno(EACCES, target.string());
        }
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        ThrowErrno(errno, target.string());
    } else {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
    }

    RemoveStaleTemporaries(target);
    std::string temporary =
        (folder / (TemporaryPrefix(target) + std::to_string(::getpid()) + "-XXXXXX")).string();
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) {
        ThrowErrno(errno, target.string());
    }
    try {
        WriteAll(fd.get(), content, target.string());
        if (::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0 || fd.Close() != 0) {
            ThrowErrno(errno, target.string());
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            ThrowErrno(errno, target.string());
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // The rename itself must reach the disk too, or a power cut could bring back the old file.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}
