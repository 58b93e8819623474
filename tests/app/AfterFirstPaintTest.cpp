// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/AfterFirstPaint.h"

#include <QPainter>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Counts its paints, so the test can tell what ran before the window was on the screen.
class CountingWindow : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::darkCyan);
    }
};

TEST(AfterFirstPaintTest, RunsOnceAfterTheFirstPaintAndNeverBefore) {
    CountingWindow window;
    window.resize(200, 120);
    int runs = 0;
    int paintsWhenRun = -1;
    RunAfterFirstPaint(window, [&] {
        ++runs;
        paintsWhenRun = window.paints;
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0) << "ran before the window was shown";

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs > 0; }, 5000));
    EXPECT_EQ(paintsWhenRun, 1);

    window.repaint();
    window.hide();
    window.show();
    QTest::qWait(100);
    EXPECT_EQ(runs, 1);
}

} // namespace
