// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <string>

// A folder and a name joined with "/", unless the folder already ends with one.
std::string JoinPath(const std::string& dir, const std::string& name);

// What a typed or stored path names. Dir is the folder it leads into, in full, links followed;
// File is the last part when that is a file name or a wildcard pattern, empty when the text names
// a folder.
struct TypedPath {
    std::string Dir;
    std::string File;
};

// Splits a path by looking its folders up, a relative one from base (the browser's folder). It
// waits on the file system: it runs on the file-system worker. "[name]" (a folder row of a file
// list) names that folder. A last
// part that names an existing folder is moved into Dir; one that names nothing stays as File, so
// the caller can say the file does not exist. A folder that cannot be entered raises EInOutError.
TypedPath SplitTypedPath(const std::string& text, const std::string& base);

// The number of levels below its drive's root that a directory lies (1 for the root itself, as
// the folder rows below the root are drawn one step further in).
int PathDepth(const std::string& dir, const std::string& root);

// A path shortened to fit a width: leading folders give way to ".../" one by one, and as a last
// resort only the name is left, even when that is still too wide.
std::string ShortenPathToWidth(const std::string& path, int width,
                               const std::function<int(const std::string&)>& textWidth);
