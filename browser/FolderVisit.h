// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/BrowserTypes.h"
#include "browser/FileScan.h"
#include "browser/Paths.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

// What the browser asks of the file-system worker when it moves to a folder: where the text leads,
// the folder's subfolders and its file rows, all found in one errand so that the window's thread
// applies them at once when they land.

struct FileRowQuery {
    std::string Mask;
    TFileType FileType = TFileType::Normal();
    bool Glyphs = false;
    friend bool operator==(const FileRowQuery&, const FileRowQuery&) = default;
};

struct FolderVisitRequest {
    std::string Text;               // as typed or stored; a relative one is taken from Base
    std::string Base;               // the browser's folder
    bool WholeTextIsFolder = false; // no last part to split off as a file name or pattern
    std::string Fallback;           // entered instead when Text cannot be (a drive's root)
    bool Subfolders = false;
    std::optional<FileRowQuery> Files;
};

struct FolderVisit {
    std::exception_ptr Failure; // the error entering the folder raised; nothing else is set then
    TypedPath Path;
    bool FileExists = false; // Path.File names an entry that is not a folder
    // Every subfolder, twins that differ only in case included: the volume's rule is the window's.
    std::vector<std::string> Subfolders;
    std::optional<FileRowQuery> FilesListed; // what Files were listed for; none when not asked
    std::vector<FileRow> Files;
};

// On the worker.
FolderVisit VisitFolder(const FolderVisitRequest& request);
// Subfolder names sorted as ListSubdirectories gives them, with twins that differ only in case
// dropped where the volume does not tell them apart.
std::vector<std::string> SubfoldersForVolume(std::vector<std::string> names, bool caseSensitive);

// What a path names, for a file or folder named from outside the window.
struct PathFacts {
    int Error = 0; // errno of the look-up; 0 when it exists
    bool Folder = false;
    bool PlainFile = false;
    bool Readable = false; // a file can be read, a folder listed
};
PathFacts LookUpPath(const std::string& path);
