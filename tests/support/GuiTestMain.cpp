// SPDX-License-Identifier: GPL-2.0-or-later
// The main of every test program that needs a display, sound or a Qt application object.

#include "tests/support/TestServers.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    EnsureTestServers();
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication application(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
