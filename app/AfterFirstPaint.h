// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>

class QWidget;

// Runs the action once, from the event loop, after the window has painted itself for the first time
// (its contents are on the screen by then): for work that would hold up the first picture of the
// window if it ran while the window is being shown.
void RunAfterFirstPaint(QWidget& window, std::function<void()> action);
