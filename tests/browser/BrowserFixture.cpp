#include "tests/browser/BrowserFixture.h"

#include "browser/ProcessDirectory.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TFileListBox.h"
#include "browser/UserActions.h"

#include <climits>
#include <cstdlib>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

void BrowserTest::SetUp() {
    char resolved[PATH_MAX];
    root = realpath(temp.Path().c_str(), resolved);
    UseMounts({});
    ChangeDirectory(root);
    SetBrowserErrorReporter([this](const std::string& message) { reported.push_back(message); });
}

void BrowserTest::TearDown() {
    ChangeDirectory("/");
    Volumes::SetSource(nullptr);
    SetBrowserErrorReporter(nullptr);
}

void BrowserTest::UseMounts(const std::vector<MountEntry>& belowRoot, bool withSystemRoot) {
    std::vector<MountEntry> mounts;
    if (withSystemRoot) {
        mounts.push_back({"/", "ext4", "/dev/sda1", "", false});
    }
    for (MountEntry mount : belowRoot) {
        mount.MountPoint = Path(mount.MountPoint);
        temp.MakeFolder(mount.MountPoint.substr(root.size() + 1));
        mounts.push_back(mount);
    }
    Volumes::SetSource(std::make_unique<ScriptedVolumeSource>(mounts));
}

std::vector<std::string> Rows(const TFileListBox& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.Count(); ++i) {
        rows.push_back(list.Item(i));
    }
    return rows;
}

std::vector<std::string> Rows(const TDirectoryListBox& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.Count(); ++i) {
        rows.push_back(list.Item(i));
    }
    return rows;
}

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
        saved_[0] = data[0].effective;
        data[0].effective &= ~accessOverrides;
        Capabilities(data, true);
    }
}

WithoutAccessOverride::~WithoutAccessOverride() {
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false)) {
        data[0].effective = saved_[0];
        Capabilities(data, true);
    }
}
