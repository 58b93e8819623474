// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The title the program goes by (task bar, error boxes): its executable's file name up to the first
// dot, the first letter as it stands and every letter after it in lower case, so "tarnwick" is
// "tarnwick" and a program renamed "TARNWICK" is "Tarnwick".
std::string ApplicationTitleFor(const std::string& executablePath);
