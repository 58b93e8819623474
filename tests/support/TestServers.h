// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Makes sure an X server with a window manager (openbox) and a PulseAudio daemon with a null sink are
// there for the tests. The test command starts them once for the whole run; a test program started
// on its own starts its own and stops them when it exits. With TARNWICK_NO_WINDOW_MANAGER set and no
// DISPLAY, the X server it starts has no window manager; TARNWICK_SCREEN_SIZE ("2048x1800") sizes its screen.
void EnsureTestServers();
