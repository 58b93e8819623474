// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/browser/BrowserFixture.h"

#include "browser/ProcessDirectory.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TFileListBox.h"
#include "browser/UserActions.h"
#include "tests/support/WorkingDirectory.h"

#include <climits>
#include <cstdlib>
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
