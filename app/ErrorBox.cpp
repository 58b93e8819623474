#include "app/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

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

void ShowApplicationError(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), ErrorBoxText(message),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ApplicationErrorBox"));
    box.exec();
}
