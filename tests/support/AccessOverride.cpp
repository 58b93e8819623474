// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/AccessOverride.h"

#include "browser/FileSystemWorker.h"

#include <atomic>
#include <linux/capability.h>
#include <memory>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned accessOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool Capabilities(__user_cap_data_struct (&data)[2], bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

void SetOverride(bool on) {
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false)) {
        data[0].effective = on ? data[0].effective | (data[0].permitted & accessOverrides)
                               : data[0].effective & ~accessOverrides;
        Capabilities(data, true);
    }
}

std::atomic<int> withoutOverride{0};

// Capabilities belong to a thread: the browser's look-ups run on the file-system worker, which
// takes the calling thread's power to override before each call.
class WorkerFollowsCaller : public FileSystemCalls {
public:
    void Entering(std::string_view, const std::string&) override { SetOverride(withoutOverride.load() == 0); }
};

} // namespace

WithoutAccessOverride::WithoutAccessOverride() {
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false)) {
        saved_ = data[0].effective;
    }
    SetOverride(false);
    if (withoutOverride++ == 0) {
        SetFileSystemCalls(std::make_shared<WorkerFollowsCaller>());
    }
}

WithoutAccessOverride::~WithoutAccessOverride() {
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false)) {
        data[0].effective = saved_;
        Capabilities(data, true);
    }
    if (--withoutOverride == 0) {
        // The worker's threads get their power back at their next call.
        SetFileSystemCalls(std::make_shared<WorkerFollowsCaller>());
    }
}
