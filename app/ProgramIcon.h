// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QIcon>

// The program's own 32 x 32 icon, built into the executable.
QIcon ProgramIcon();
