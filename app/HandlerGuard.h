// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/ErrorBox.h"

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// Whether handlers are held back now: while the playback graph waits for its pipeline the window
// keeps drawing itself, and a handler that ran meanwhile would re-enter the graph in the middle of
// its wait (see app/GraphWaitPump.h).
bool HandlersHeldBack();
// Whether the graph is in the middle of a wait now. Handlers may still be held back after it (they
// run from the event loop), but the graph is free again and may be asked.
bool GraphWaitGoesOn();
// Keeps a handler that came during such a wait, to run once the wait is over, after those that came
// before it.
void HoldBackHandler(std::function<void()> handler);
// For the wait itself: handlers are held back from now on, or no longer.
void SetHandlersHeldBack(bool holdBack);
// Runs the handlers held back, in the order they came, until none is left or handlers are held back
// again.
void RunHeldBackHandlers();
// Forgets the handlers held back: once the window has closed, what came after the close has nothing
// left to act on.
void DiscardHeldBackHandlers();

// Runs an event handler so that an error escaping it reaches the application's error box instead
// of unwinding through the toolkit, which is not built to carry exceptions. Every handler that a
// signal, a timer or an event calls goes through here. A handler must own what it captures: it may
// run later, when held back.
template <typename Handler> void RunHandler(Handler&& handler) noexcept {
    if (HandlersHeldBack()) {
        HoldBackHandler(std::function<void()>(std::decay_t<Handler>(std::forward<Handler>(handler))));
        return;
    }
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        ShowApplicationError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowApplicationError(QStringLiteral("Unknown error"));
    }
}
