// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

QString ErrorBoxText(const QString& message) {
    if (message.isEmpty()) {
        return message;
    }
    // Any character outside ASCII sorts after "." in every encoding the program has used, so only
    // the last UTF-16 unit needs looking at; a surrogate is never below ".".
    if (message.back().unicode() > u'.') {
        return message + u'.';
    }
    return message;
}

namespace {

bool errorsToStandardError = false;
bool errorReported = false;

} // namespace

void SendErrorsToStandardError() {
    errorsToStandardError = true;
}

bool ErrorsGoToStandardError() {
    return errorsToStandardError;
}

bool ErrorWentToStandardError() {
    return errorReported;
}

void ReportOnStandardError(const QString& message) {
    errorReported = true;
    EchoOnStandardError(message);
}

void EchoOnStandardError(const QString& message) {
    std::fprintf(stderr, "tarnwick: %s\n", ErrorBoxText(message).toLocal8Bit().constData());
}

void ShowApplicationError(const QString& message) {
    if (errorsToStandardError) {
        ReportOnStandardError(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), ErrorBoxText(message),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ApplicationErrorBox"));
    box.exec();
}
