// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/TActionCheckBox.h"
#include "app/TPanel.h"
#include "core/SettingsFileName.h"
#include "player/TfrmMain.h"
#include "tests/support/fakegraph/FakeGraphSystem.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable failure messages for the toolkit's value types.
inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* out) {
    *out << "QPoint(" << p.x() << ", " << p.y() << ")";
}
inline void PrintTo(const QString& s, std::ostream* out) {
    *out << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QColor& c, std::ostream* out) {
    *out << "rgb(" << c.red() << ", " << c.green() << ", " << c.blue() << ")";
}

// A main window at its first start: no settings file beside the test program, shown and laid out.
class FirstStartTest : public ::testing::Test {
protected:
    std::unique_ptr<TfrmMain> form;

    void SetUp() override {
        std::remove(SettingsFileName().c_str());
        form = std::make_unique<TfrmMain>(std::make_shared<FakeGraphSystem>());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::processEvents();
    }

    void TearDown() override {
        form.reset();
        std::remove(SettingsFileName().c_str());
    }
};

// What a modal message box showed before it was answered with OK.
struct SeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* parent = nullptr;
};

// Runs `action`, which is expected to open a modal message box, and answers that box with OK as a
// user would; returns what the box showed.
inline SeenBox AnswerBoxOpenedBy(const std::function<void()>& action) {
    SeenBox seen;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || seen.seen) {
            return;
        }
        seen = {true,        box->windowTitle(),     box->text(),
                box->icon(), box->standardButtons(), box->parentWidget()};
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    action();
    poll.stop();
    return seen;
}
