// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Takes away the root user's power to read, write and enter anything from the calling thread while it
// lives, so that a file or folder without permissions is refused as it would be for anyone else.
class WithoutAccessOverride {
public:
    WithoutAccessOverride();
    ~WithoutAccessOverride();
    WithoutAccessOverride(const WithoutAccessOverride&) = delete;
    WithoutAccessOverride& operator=(const WithoutAccessOverride&) = delete;

private:
    unsigned saved_ = 0;
};
