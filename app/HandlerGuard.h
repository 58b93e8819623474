// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/ErrorBox.h"

#include <exception>
#include <utility>

// Runs an event handler so that an error escaping it reaches the application's error box instead
// of unwinding through the toolkit, which is not built to carry exceptions. Every handler goes through
// here, the shutdown's too; it only catches, and runs the handler at once. Whether a handler that
// arrives from outside runs now is the window's dispatcher's to say (player/HandlerDispatcher.h).
template <typename Handler> void RunHandler(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        ShowApplicationError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowApplicationError(QStringLiteral("Unknown error"));
    }
}
