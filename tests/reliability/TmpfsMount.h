// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// A small memory file system mounted on a folder for the life of the object, to have a disk that
// can be filled or taken away. Mounting needs the administrator's rights and a system that allows
// it; when it fails, Mounted() is false and Problem() says why.
class TmpfsMount {
public:
    TmpfsMount(std::string folder, std::size_t sizeBytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Problem() const { return problem_; }
    // Takes the file system away at once, even while it is in use (a lazy unmount).
    void Unmount();

private:
    std::string folder_;
    bool mounted_ = false;
    std::string problem_;
};

// Writes to a file on the folder's file system until it is full; the number of bytes written.
std::size_t FillFileSystem(const std::string& fillerPath);
