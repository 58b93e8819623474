// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "bench/ScreenWatch.h"

// The player's main window as a person sees it on the screen.

// The main window once it is mapped with its controls drawn: the window with the player's title is
// viewable, its video panel (its one native child window) too, and most of it is painted; else 0.
Window ReadyPlayerWindow(const ScreenWatch& screen);

// Where the video panel of the main window lies on the screen (its largest viewable child window).
ScreenArea VideoPanelArea(const ScreenWatch& screen, Window mainWindow);

// Whether the video panel shows the test picture of a clip.
bool VideoPanelShowsPicture(const ScreenWatch& screen, Window mainWindow);
