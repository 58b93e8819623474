#pragma once

#include <string>

// The title the program goes by (task bar, error boxes): its executable's file name up to the first
// dot, the first letter in upper case and every letter after it in lower case. Linux program files
// are named in lower case, so "tarnwick" is "Tarnwick" as "TARNWICK.EXE" was.
std::string ApplicationTitleFor(const std::string& executablePath);
