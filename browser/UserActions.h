// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <exception>
#include <functional>
#include <string>

class QAbstractItemView;
class QMouseEvent;

// The browser's controls act on the user's clicks and keys from toolkit signals, which must not
// carry an error out. Such an action runs through RunUserAction, and an error it raises goes to
// the reporter: the main window sets the application's error box; until then a message box shows.
using BrowserErrorReporter = std::function<void(const std::string& message)>;

void SetBrowserErrorReporter(BrowserErrorReporter reporter);
void ReportBrowserError(const std::string& message) noexcept;

template <typename Action> void RunUserAction(Action&& action) noexcept {
    try {
        std::forward<Action>(action)();
    } catch (const std::exception& error) {
        ReportBrowserError(error.what());
    } catch (...) {
        ReportBrowserError("Unknown error");
    }
}

// Whether a double-click in a list's viewport opens or plays its row: only the primary button does,
// and only on a row, as the window takes only the primary button for its video area.
bool IsPrimaryDoubleClickOnRow(const QAbstractItemView& view, const QMouseEvent& event);
