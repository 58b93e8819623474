// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/BrowserTypes.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The listing behind the file list and the directory list, on POSIX directories.

enum class RowGlyph : std::uint8_t { None, ClosedFolder, Executable, UnknownFile };

struct FileRow {
    std::string Text; // the file's name, or "[name]" for a folder
    std::string Key;  // Text with case folded away: the sort order
    RowGlyph Glyph = RowGlyph::None;
};

// The attribute bits of the entries' kinds as the browser sees them on this system: a name that
// begins with "." is hidden, a device, pipe, socket or dangling link is a system entry, a file the
// owner may not write is read-only. There is no archive bit and no volume-label entry here.
enum EntryAttribute : std::uint8_t {
    attrReadOnly = 0x01,
    attrHidden = 0x02,
    attrSystem = 0x04,
    attrDirectory = 0x10,
};

// The pieces of a mask, cut at each ";" and taken as they stand (an empty piece matches nothing).
std::vector<std::string> SplitMask(const std::string& mask);

// Lists a folder's entries that the mask's patterns match (a pattern's own folder, before its last
// "/", is taken from that folder), each pattern in turn (a
// file that two patterns match is listed twice), with the attribute rules of the file type, rows
// sorted by Key in a stable way. onBusy is called once when an insertion into the sorted rows, in
// the order the entries come, lands at position 100: from there the scan counts as long.
std::vector<FileRow> ScanFiles(const std::string& folder, const std::string& mask, TFileType fileType,
                               bool glyphsForFolders, const std::function<void()>& onBusy);

// Watches insertions into a sorted list (an equal key goes after those already there) and tells
// when one lands at a given position, without keeping the whole list.
class InsertionPositionWatch {
public:
    explicit InsertionPositionWatch(std::size_t position) : position_(position) {}
    // Records one insertion; true when it lands at the watched position.
    bool Insert(std::string_view key);

private:
    std::size_t position_;
    std::vector<std::string> smallest_; // the position_ + 1 smallest keys so far, sorted
};

// The subfolders of a folder, hidden and system ones left out, sorted by name without regard to
// case. Names equal but for case are listed once unless the volume tells them apart.
std::vector<std::string> ListSubdirectories(const std::string& dir, bool caseSensitive);
