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

    // Starts the threads the toolkit paints large areas with, which it would otherwise start at the
    // window's first paint. A thread cannot start while another thread loads a library: a program
    // that loads large libraries while its window is made starts them first, so the first paint
    // does not wait for the loading.
    static void StartPaintingThreads();

    bool notify(QObject* receiver, QEvent* event) override;
};
