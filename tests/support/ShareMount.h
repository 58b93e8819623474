// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "tests/support/TempDir.h"

#include <string>

// A network share whose server can sleep or be gone, mounted for the life of the object: a read-only
// FUSE mirror of a folder, seen in the mount table as a Windows share (type fuse.cifs, source
// nas:/recordings). While it sleeps every look-up there (stat, access, opendir, readdir, statfs,
// open) waits, as it does in the kernel for a real share, and cannot be interrupted. It mounts only
// in a mount namespace of the test's own, so that no other program on the machine can be caught by it.
class ShareMount {
public:
    ShareMount();
    ~ShareMount();
    ShareMount(const ShareMount&) = delete;
    ShareMount& operator=(const ShareMount&) = delete;

    // Empty once mounted; else why it is not.
    const std::string& Problem() const { return problem_; }
    // A missing share is only excused off CI on a machine without FUSE.
    static bool MaySkip();

    // The local folder the share shows; what is put there appears on the share.
    std::string Files() const { return dir_ / "files"; }
    std::string MountPoint() const { return dir_ / "nas"; }
    std::string Path(const std::string& name) const { return MountPoint() + "/" + name; }

    // Look-ups wait from now until Wake.
    void Sleep();
    // Only opens wait from now until Wake: look-ups answer, as from the kernel's cache.
    void HoldOpens();
    void Wake();
    // Whether a look-up came in while the share slept, waiting up to the timeout.
    bool WaitUntilAsked(int timeoutMs) const;
    // The look-ups that had to wait, one a line, for messages.
    std::string Asked() const;

private:
    void Tell(const std::string& line) const;

    TempDir dir_;
    std::string problem_;
    int pid_ = 0;
};
