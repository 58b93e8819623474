// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QEventLoop>
#include <chrono>

// Takes the window's events as they come, as the event loop would with `flags`, and returns after the
// first one taken, once the descriptor `news` is readable, or at `until`, whichever is first. Nothing
// wakes in between: the sleep costs no processor time and answers an event at once.
void SleepUntilEventOrNews(int news, std::chrono::steady_clock::time_point until,
                           QEventLoop::ProcessEventsFlags flags);
