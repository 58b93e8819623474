// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

class ProfileFile;
class QWidget;

// Keeps a top-level window's placement in the settings file, in a section named after the window's
// class. Each call opens the settings file for itself.
void RestoreFormPlacement(QWidget& window);
void RestoreWindowPlacement(QWidget& window, const std::string& section, bool restoreShowCommand);
void SaveFormPlacement(QWidget& window);
void SaveWindowPlacement(QWidget& window, const std::string& section);

// The same on a given settings file.
void RestoreWindowPlacement(const ProfileFile& settings, QWidget& window, const std::string& section,
                            bool restoreShowCommand);
void SaveWindowPlacement(const ProfileFile& settings, QWidget& window, const std::string& section);

// The section a window's placement is kept in: its class name.
std::string PlacementSection(const QWidget& window);
