#pragma once

#include "app/ErrorBox.h"

#include <exception>
#include <utility>

// Runs an event handler so that an error escaping it reaches the application's error box instead
// of unwinding through the toolkit, which is not built to carry exceptions. Every handler that a
// signal, a timer or an event calls goes through here.
template <typename Handler> void RunHandler(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        ShowApplicationError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowApplicationError(QStringLiteral("Unknown error"));
    }
}
