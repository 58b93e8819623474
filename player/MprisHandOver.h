#pragma once

#include <string>

// Hands a file to a Tarnwick that already runs on this session (its MPRIS OpenUri, then Raise), so
// that opening files from the file manager one after another does not start players that overwrite
// each other's settings. False when none runs or it does not answer: then this start plays the file.
bool HandOverToRunningPlayer(const std::string& path);
