// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/AccessOverride.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned accessOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool Capabilities(__user_cap_data_struct (&data)[2], bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

} // namespace

WithoutAccessOverride::WithoutAccessOverride() {
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false)) {
        saved_ = data[0].effective;
        data[0].effective &= ~accessOverrides;
        Capabilities(data, true);
    }
}

WithoutAccessOverride::~WithoutAccessOverride() {
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false)) {
        data[0].effective = saved_;
        Capabilities(data, true);
    }
}
