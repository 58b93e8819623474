// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QApplication>

// The application object: sets the program's title and icon, initialises the media library for the
// user-interface thread, and shows every error that escapes event handling in the application's
// error box, after which the program goes on.
class TApplication : public QApplication {
    Q_OBJECT

public:
    // Must be called before the object is made: keeps the video panel the only native window.
    static void PrepareAttributes();

    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
