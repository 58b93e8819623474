// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/UserActions.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>

namespace {
BrowserErrorReporter& Reporter() {
    static BrowserErrorReporter reporter;
    return reporter;
}
} // namespace

void SetBrowserErrorReporter(BrowserErrorReporter reporter) {
    Reporter() = std::move(reporter);
}

void ReportBrowserError(const std::string& message) noexcept {
    try {
        if (Reporter()) {
            Reporter()(message);
        } else {
            QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                                  QString::fromStdString(message));
        }
    } catch (...) {
        // A reporter that fails itself has nowhere left to go.
    }
}

bool IsPrimaryDoubleClickOnRow(const QAbstractItemView& view, const QMouseEvent& event) {
    return event.button() == Qt::LeftButton && view.indexAt(event.position().toPoint()).isValid();
}
