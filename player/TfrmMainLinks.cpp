// SPDX-License-Identifier: GPL-2.0-or-later
// The window's side of the links the playback object borrows.

#include "app/ErrorBox.h"
#include "player/TfrmMain.h"

#include <QMessageBox>
#include <QPlainTextEdit>

void TfrmMain::SetMax(int maximum) {
    ScrollBar1->setMaximum(maximum);
}

void TfrmMain::SetPosition(int position) {
    // setValue raises no user action, so the scroll handler does not seek to where the bar is put.
    ScrollBar1->setValue(position);
}

void TfrmMain::ShowError(const std::string& caption, const std::string& text) {
    if (ErrorsGoToStandardError()) {
        ReportOnStandardError(QString::fromStdString(caption + ": " + text));
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("PlayerErrorBox"));
    ++errorBoxesOpen_;
    box.exec();
    --errorBoxesOpen_;
}

void TfrmMain::AppendLine(const std::string& line) {
    Memo1->appendPlainText(QString::fromStdString(line));
}
