// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "bench/ScreenWatch.h"

// The benchmark clips are drawn mirrored from a moment on (BenchClipMirroredFrom), so that a picture
// of them on the screen, whole, scaled or cut to its middle, tells whether it comes from before that
// moment: testsrc2's yellow bar lies left of its blue bar, the two meeting at the middle of the
// picture, and right of it in the mirror.
enum class Mirroring {
    Plain,
    Mirrored,
    Unreadable, // too little of either bar to tell
};

Mirroring MirroringOf(const ScreenPicture& picture);
