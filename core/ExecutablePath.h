// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <filesystem>

// The running program's own file, as the kernel knows it: absolute, symbolic links resolved. Empty
// when it cannot be told (no /proc). What lies beside the program is found from here, never from the
// current folder.
std::filesystem::path ExecutablePath();
