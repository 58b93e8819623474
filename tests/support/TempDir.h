// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // The path of a name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Writes a file inside the folder (creating folders on the way) and returns its path.
    std::string WriteFile(const std::string& name, const std::string& content) const;
    // Creates a folder inside the folder and returns its path.
    std::string MakeFolder(const std::string& name) const;

private:
    std::string path_;
};

// The whole content of a file, or the empty text when it cannot be read.
std::string ReadFileText(const std::string& path);
