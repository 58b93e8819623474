// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TApplication.h"

#include "app/ApplicationTitle.h"
#include "app/ErrorBox.h"
#include "app/ProgramIcon.h"

#include <QImage>
#include <QPainter>
#include <exception>

void TApplication::PrepareAttributes() {
    // Giving the video sink a native window would otherwise make every sibling native too, and a
    // native sibling could be drawn over the video.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
}

void TApplication::StartPaintingThreads() {
    // A fill this tall is split into strips that the toolkit's own thread pool paints.
    QImage canvas(8, 512, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    painter.fillRect(canvas.rect(), QColor(0, 0, 0, 128));
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromStdString(ApplicationTitleFor(applicationFilePath().toStdString())));
    setDesktopFileName(QStringLiteral("tarnwick"));
    setWindowIcon(ProgramIcon());
    // The media library is brought up by the playback object's graph system, which main() starts
    // early on a thread of its own.
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // Handlers run through RunHandler and never let an error out; this catches what a toolkit
    // override or a library call outside a handler throws, so that it too is shown, not fatal.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowApplicationError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowApplicationError(QStringLiteral("Unknown error"));
    }
    return false;
}
