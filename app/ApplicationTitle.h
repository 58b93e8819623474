#pragma once

#include <string>

// The title the program goes by (task bar, error boxes): its executable's file name up to the first
// dot, every letter after the first in lower case.
std::string ApplicationTitleFor(const std::string& executablePath);
