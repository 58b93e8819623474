// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/Winplace.h"

#include "core/ProfileFile.h"
#include "tests/support/TempDir.h"
#include "tests/support/X11Tools.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Text(const QRect& r) {
    return QString("%1x%2 at %3,%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()).toStdString();
}

// A top-level window of a class of its own, as the placement section is named after the class.
class TPlacedWindow : public QWidget {
    Q_OBJECT
};

class WinplaceTest : public ::testing::Test {
protected:
    TempDir dir;
    ProfileFile settings{dir / "tarnwick.ini"};

    std::unique_ptr<TPlacedWindow> NewWindow(QRect bounds = QRect(273, 63, 701, 788)) {
        auto window = std::make_unique<TPlacedWindow>();
        window->setGeometry(bounds);
        return window;
    }

    void Show(QWidget& window) {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
    }
};

TEST_F(WinplaceTest, SavesTheTenKeysInOrderUnderTheClassNameWithTheOuterFrame) {
    auto window = NewWindow(QRect(100, 120, 400, 300));
    Show(*window);
    SaveWindowPlacement(settings, *window, PlacementSection(*window));
    // The frame is the window manager's: the client area and whatever it draws round it.
    const QRect outer = window->frameGeometry();
    EXPECT_EQ(window->geometry().size(), QSize(400, 300));
    EXPECT_EQ(ReadFileText(settings.FileName()),
              QString("[TPlacedWindow]\nPlaceFlags=0\nPlaceShowCmd=1\nPlaceMinPos.X=-1\nPlaceMinPos.Y=-1\n"
                      "PlaceMaxPos.X=-1\nPlaceMaxPos.Y=-1\nPlaceNormalPos.Left=%1\nPlaceNormalPos.Top=%2\n"
                      "PlaceNormalPos.Right=%3\nPlaceNormalPos.Bottom=%4\n")
                  .arg(outer.left())
                  .arg(outer.top())
                  .arg(outer.left() + outer.width())
                  .arg(outer.top() + outer.height())
                  .toStdString());
}

TEST_F(WinplaceTest, AWindowClosedMaximisedComesBackMaximisedWithItsNormalBounds) {
    QRect outer;
    {
        // Placed at its creation as the program places its window: nothing stored yet.
        auto window = NewWindow(QRect(150, 90, 500, 400));
        RestoreWindowPlacement(settings, *window, "TPlacedWindow", true);
        Show(*window);
        outer = window->frameGeometry();
        window->showMaximized();
        // Only a window manager maximises a window; without one the state is all there is.
        if (WindowManagerRunning()) {
            ASSERT_TRUE(QTest::qWaitFor([&window] { return window->width() > 500; }, 5000));
        }
        SaveWindowPlacement(settings, *window, "TPlacedWindow");
    }
    EXPECT_EQ(settings.ReadInteger("TPlacedWindow", "PlaceShowCmd", -1), 3);
    EXPECT_EQ(QRect(QPoint(settings.ReadInteger("TPlacedWindow", "PlaceNormalPos.Left", 0),
                           settings.ReadInteger("TPlacedWindow", "PlaceNormalPos.Top", 0)),
                    QPoint(settings.ReadInteger("TPlacedWindow", "PlaceNormalPos.Right", 0) - 1,
                           settings.ReadInteger("TPlacedWindow", "PlaceNormalPos.Bottom", 0) - 1)),
              outer)
        << "stored as the outer frame " << Text(outer);
    auto window = NewWindow();
    RestoreWindowPlacement(settings, *window, "TPlacedWindow", true);
    Show(*window);
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    window->showNormal();
    EXPECT_TRUE(QTest::qWaitFor(
        [&window, outer] { return window->frameGeometry() == outer && window->size() == QSize(500, 400); },
        5000))
        << "restored to " << Text(window->frameGeometry()) << " round " << Text(window->geometry())
        << ", not " << Text(outer);
}

TEST_F(WinplaceTest, MissingKeysKeepTheWindowsCurrentValues) {
    dir.WriteFile("tarnwick.ini", "[TPlacedWindow]\nPlaceNormalPos.Left=10\n");
    auto window = NewWindow();
    RestoreWindowPlacement(settings, *window, "TPlacedWindow", true);
    EXPECT_EQ(window->geometry(), QRect(10, 63, 701 + 263, 788)) << "the right edge stays where it was";
}

TEST_F(WinplaceTest, ValuesFollowTheIntegerRule) {
    dir.WriteFile("tarnwick.ini", "[TPlacedWindow]\nPlaceShowCmd=maximised\nPlaceNormalPos.Top=0x20\n"
                                  "PlaceNormalPos.Bottom=$200\n");
    auto window = NewWindow(QRect(40, 50, 300, 200));
    RestoreWindowPlacement(settings, *window, "TPlacedWindow", true);
    EXPECT_EQ(window->windowState(), Qt::WindowNoState) << "a show code that is not a number keeps the state";
    EXPECT_EQ(window->geometry(), QRect(40, 32, 300, 512 - 32));
}

TEST_F(WinplaceTest, NegativeCoordinatesComeBackUnchanged) {
    {
        auto window = NewWindow(QRect(-250, -20, 400, 300));
        SaveWindowPlacement(settings, *window, "TPlacedWindow");
    }
    EXPECT_EQ(settings.ReadInteger("TPlacedWindow", "PlaceNormalPos.Left", 0), -250);
    auto window = NewWindow();
    RestoreWindowPlacement(settings, *window, "TPlacedWindow", true);
    EXPECT_EQ(window->geometry(), QRect(-250, -20, 400, 300));
}

TEST_F(WinplaceTest, WithoutTheShowCommandTheWindowIsPlacedHidden) {
    dir.WriteFile("tarnwick.ini", "[TPlacedWindow]\nPlaceShowCmd=3\nPlaceNormalPos.Left=5\n");
    auto window = NewWindow();
    Show(*window);
    RestoreWindowPlacement(settings, *window, "TPlacedWindow", false);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window->x(), 5);
}

TEST_F(WinplaceTest, OtherSectionsAreNeitherReadNorTouched) {
    dir.WriteFile("tarnwick.ini", "[Play]\nPlaceNormalPos.Left=1\n[tplacedwindow]\nPlaceNormalPos.Left=77\n");
    auto window = NewWindow();
    RestoreFormPlacement(*window); // the real settings file beside the test program: nothing there
    RestoreWindowPlacement(settings, *window, PlacementSection(*window), true);
    EXPECT_EQ(window->x(), 77);
    SaveWindowPlacement(settings, *window, PlacementSection(*window));
    EXPECT_EQ(settings.ReadString("Play", "PlaceNormalPos.Left", ""), "1");
}

} // namespace

#include "WinplaceTest.moc"
