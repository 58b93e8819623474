#include "app/Winplace.h"

#include "app/ProfileFile.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

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

TEST_F(WinplaceTest, SavesTheTenKeysInOrderUnderTheClassName) {
    auto window = NewWindow(QRect(100, 120, 400, 300));
    Show(*window);
    SaveWindowPlacement(settings, *window, PlacementSection(*window));
    EXPECT_EQ(ReadFileText(settings.FileName()),
              "[TPlacedWindow]\nPlaceFlags=0\nPlaceShowCmd=1\nPlaceMinPos.X=-1\nPlaceMinPos.Y=-1\n"
              "PlaceMaxPos.X=-1\nPlaceMaxPos.Y=-1\nPlaceNormalPos.Left=100\nPlaceNormalPos.Top=120\n"
              "PlaceNormalPos.Right=500\nPlaceNormalPos.Bottom=420\n");
}

TEST_F(WinplaceTest, AWindowClosedMaximisedComesBackMaximisedWithItsNormalBounds) {
    {
        auto window = NewWindow(QRect(150, 90, 500, 400));
        Show(*window);
        window->showMaximized();
        QApplication::processEvents();
        SaveWindowPlacement(settings, *window, "TPlacedWindow");
    }
    EXPECT_EQ(settings.ReadInteger("TPlacedWindow", "PlaceShowCmd", -1), 3);
    auto window = NewWindow();
    RestoreWindowPlacement(settings, *window, "TPlacedWindow", true);
    Show(*window);
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    window->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(window->geometry(), QRect(150, 90, 500, 400));
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
