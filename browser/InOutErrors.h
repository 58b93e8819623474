// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/Errors.h"

#include <string>

// The message of a refused file or directory operation, by the runtime's error code.
std::string InOutErrorMessage(int code);

// The error for an errno value: no such file 2, no such folder 3, too many open files 4, denied 5
// with their messages; any other errno keeps its own number under "I/O エラー (%d)", even where
// that number is also one of the runtime's codes (EIO is 5 but is no denial).
EInOutError InOutErrorFromErrno(int errnoValue);

[[noreturn]] void ThrowInOutError(int errnoValue);
