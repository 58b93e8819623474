// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/Volumes.h"
#include "tests/support/AccessOverride.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>
#include <string>
#include <vector>

class TDirectoryListBox;
class TFileListBox;

// A temporary tree as the process's current directory, a mount table of the test's own (the
// whole system as one case-sensitive drive 'A' unless a test says otherwise), and the errors that
// the controls report from user actions collected instead of shown.
class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the mount table; mount points are given below the tree.
    void UseMounts(const std::vector<MountEntry>& belowRoot, bool withSystemRoot = true);
    std::string Path(const std::string& below) const { return root + "/" + below; }

    TempDir temp;
    std::string root;
    std::vector<std::string> reported;
};

std::vector<std::string> Rows(const TFileListBox& list);
std::vector<std::string> Rows(const TDirectoryListBox& list);
