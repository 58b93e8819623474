// SPDX-License-Identifier: GPL-2.0-or-later
// A file or folder named from outside the window (the command line, a drop): the browser goes where
// it lies and the file plays as a double-click on its row would, so settings, stepping and resume
// follow the same rules as for a file picked in the list.

#include "player/OpenPath.h"

#include "app/HandlerGuard.h"
#include "browser/FileNames.h"
#include "browser/FileScan.h"
#include "browser/FileSystemWorker.h"
#include "browser/FolderVisit.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "core/Errors.h"
#include "player/HandlerDispatcher.h"
#include "player/StartAhead.h"
#include "player/TfrmMain.h"

#include <QScopeGuard>

namespace {

// The first filter entry whose mask lists the name; -1 when none does.
int FirstEntryListing(const std::vector<std::string>& entryMasks, const std::string& name) {
    for (std::size_t entry = 0; entry < entryMasks.size(); ++entry) {
        for (const std::string& pattern : SplitMask(entryMasks[entry])) {
            if (MatchesWildcard(name, pattern)) {
                return static_cast<int>(entry);
            }
        }
    }
    return -1;
}

} // namespace

void RequireOpenablePath(const std::string& path, const PathFacts& facts) {
    if (path.empty() || facts.Error != 0) {
        throw EInOutError("ファイルが見つかりません - " + path, 2);
    }
    if (!facts.Readable) {
        throw EInOutError("ファイルへのアクセスが拒否されました - " + path, 5);
    }
}

void TfrmMain::OpenPath(const std::string& path) {
    // The user's file wins over a start still waiting for its share.
    DropPendingStart();
    const unsigned long asked = ++pathsAsked_;
    LookUpOffThread<PathFacts>(
        this, [path] { return LookUpPath(path); },
        [this, path, asked](PathFacts& facts, Landing landing) {
            if (asked != pathsAsked_) {
                return; // a later path was asked for
            }
            if (landing == Landing::InCall) {
                OpenPathFound(path, facts);
            } else {
                dispatcher_->Arrive(Arrival::Drop,
                                    [this, path, facts] { RunHandler([&] { OpenPathFound(path, facts); }); });
            }
        });
}

void TfrmMain::OpenPathFound(const std::string& path, const PathFacts& facts) {
    RequireOpenablePath(path, facts);
    // The folder goes with a closing "/": the browser would take a last part holding "*" or "?" for
    // a mask instead of a folder to enter.
    if (facts.Folder) {
        DirectoryListBox1->SetCurrentDir(path.ends_with('/') ? path : path + "/");
        return;
    }
    const auto slash = path.rfind('/');
    const std::string name = path.substr(slash + 1);
    // The list leaves hidden names and anything but plain files out; refusing them before the browser
    // moves keeps the list the user had.
    if (name.starts_with('.') || !facts.PlainFile) {
        throw EInvalidOperation("不正なファイル名 - " + path);
    }
    DirectoryListBox1->GoTo(path.substr(0, slash + 1), [this, path, name](const FolderVisit&) {
        Later(Arrival::Drop, [this, path, name] { SelectAndPlay(path, name); })();
    });
}

void TfrmMain::SelectAndPlay(const std::string& path, const std::string& name) {
    // A file built ahead for the start is taken over by the open below; one that is refused first
    // would otherwise hold its graph for the whole run.
    const auto dropUnused = qScopeGuard([this] { startAhead_.reset(); });
    const int entry = FirstEntryListing(FilterComboBox1->EntryMasks(), name);
    if (entry >= 0) {
        FilterComboBox1->SetItemIndex(entry);
        FileListBox1->SetMask(FilterComboBox1->EntryMasks()[static_cast<std::size_t>(entry)]);
    }
    FileListBox1->SelectName(name);
    if (FileListBox1->SelectedName().empty()) {
        // No entry lists it: the list shows just that file, as for a stored file at start-up.
        FileListBox1->SetMask(name);
        FileListBox1->SelectName(name);
    }
    // A file the list does not show must not let the double-click play row 0 in its place.
    if (FileListBox1->SelectedName().empty()) {
        throw EInvalidOperation("不正なファイル名 - " + path);
    }
    FileListBox1DblClick();
}
