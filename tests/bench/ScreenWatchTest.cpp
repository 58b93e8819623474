// SPDX-License-Identifier: GPL-2.0-or-later
// Google Test before Xlib, whose macros (None, Bool) would break its templates.
// clang-format off
#include <gmock/gmock.h>
#include "bench/ScreenWatch.h"
// clang-format on

#include "tests/support/TempDir.h"

#include <thread>

namespace {

// A plain X window of one colour, drawn by its background, that the tests put on the screen.
class ColourWindow {
public:
    ColourWindow(Display* display, const std::string& title, unsigned long rgb, int x, int y, int width,
                 int height, Window parent = 0)
        : display_(display) {
        window_ = XCreateSimpleWindow(display, parent ? parent : DefaultRootWindow(display), x, y,
                                      static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, rgb);
        if (!title.empty()) {
            XStoreName(display, window_, title.c_str());
        }
        XSync(display, False);
    }
    ~ColourWindow() {
        XDestroyWindow(display_, window_);
        XSync(display_, False);
    }
    void Map() {
        XMapWindow(display_, window_);
        XSync(display_, False);
        // The server draws the background on its own time after the map.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    void Paint(unsigned long rgb) {
        XSetWindowBackground(display_, window_, rgb);
        XClearWindow(display_, window_);
        XSync(display_, False);
    }
    Window id() const { return window_; }

private:
    Display* display_;
    Window window_ = 0;
};

constexpr unsigned long Red = 0xE02010;
constexpr unsigned long Grey = 0xD4D0C8;
constexpr unsigned long Black = 0x000000;

TEST(ScreenWatchTest, TellsColourFromGreyAndBlack) {
    ScreenWatch screen;
    ColourWindow red(screen.display(), "bench-red", Red, 10, 10, 200, 100);
    ColourWindow grey(screen.display(), "bench-grey", Grey, 300, 10, 200, 100);
    ColourWindow black(screen.display(), "bench-black", Black, 600, 10, 200, 100);
    red.Map();
    grey.Map();
    black.Map();

    EXPECT_GT(screen.ColourShare(screen.AreaOf(red.id())), 0.95);
    EXPECT_EQ(screen.ColourShare(screen.AreaOf(grey.id())), 0);
    EXPECT_GT(screen.DrawnShare(screen.AreaOf(grey.id())), 0.95);
    EXPECT_EQ(screen.DrawnShare(screen.AreaOf(black.id())), 0);
    // A quarter of the area on red, the rest on grey and the black screen between.
    EXPECT_NEAR(screen.ColourShare({110, 10, 390, 100}), 0.25, 0.05);
    // Nothing can be read outside the screen.
    EXPECT_EQ(screen.ColourShare({-500, -500, 100, 100}), 0);
}

TEST(ScreenWatchTest, FindsViewableWindowsByTitleAndTellsNewOnesFromOld) {
    ScreenWatch screen;
    ColourWindow window(screen.display(), "bench-probe window", Grey, 50, 60, 320, 200);
    EXPECT_EQ(screen.FindViewable("bench-probe"), 0u) << "an unmapped window is not on the screen";

    const std::vector<Window> before = screen.AllWindows();
    const std::set<Window> existing(before.begin(), before.end());
    window.Map();
    EXPECT_EQ(screen.FindViewable("bench-probe"), window.id());
    EXPECT_EQ(screen.FindNewViewable(existing, "bench-probe"), 0u) << "the window was there before";
    EXPECT_EQ(screen.FindViewable("no such title"), 0u);

    const ScreenArea area = screen.AreaOf(window.id());
    EXPECT_EQ(area.x, 50);
    EXPECT_EQ(area.y, 60);
    EXPECT_EQ(area.width, 320);
    EXPECT_EQ(area.height, 200);

    ColourWindow child(screen.display(), "", Red, 20, 30, 100, 80, window.id());
    EXPECT_TRUE(screen.ViewableChildren(window.id()).empty());
    child.Map();
    ASSERT_THAT(screen.ViewableChildren(window.id()), testing::ElementsAre(child.id()));
    const ScreenArea childArea = screen.AreaOf(child.id());
    EXPECT_EQ(childArea.x, 70) << "areas are in root coordinates";
    EXPECT_EQ(childArea.y, 90);
}

TEST(ScreenWatchTest, SeesAPictureOnlyInNewWindowsOnceTheyShowColour) {
    ScreenWatch screen;
    ColourWindow old(screen.display(), "bench-old", Red, 10, 300, 200, 150);
    old.Map();
    const std::vector<Window> before = screen.AllWindows();
    const std::set<Window> existing(before.begin(), before.end());
    EXPECT_FALSE(screen.AnyNewWindowShowsPicture(existing));

    ColourWindow fresh(screen.display(), "bench-new", Black, 300, 300, 200, 150);
    fresh.Map();
    EXPECT_FALSE(screen.AnyNewWindowShowsPicture(existing));
    fresh.Paint(Red);
    EXPECT_TRUE(screen.AnyNewWindowShowsPicture(existing));
}

TEST(ScreenWatchTest, StartsProgramsInTheirFolderWithTheirEnvironmentAndKillsThem) {
    TempDir folder;
    {
        StartedProgram writer({"sh", "-c", "echo \"$BENCH_WORD\" > word.part && mv word.part word"},
                              folder.Path(), {"BENCH_WORD=resumed"});
        ASSERT_TRUE(writer.Started());
        const double seconds = SecondsUntil(
            std::chrono::steady_clock::now(), [&] { return !writer.Running(); }, std::chrono::seconds(10));
        EXPECT_GE(seconds, 0);
    }
    EXPECT_EQ(ReadFileText(folder / "word"), "resumed\n");

    StartedProgram sleeper({"sleep", "30"});
    ASSERT_TRUE(sleeper.Started());
    EXPECT_TRUE(sleeper.Running());
    sleeper.Kill();
    EXPECT_FALSE(sleeper.Running());

    StartedProgram missing({"/nonexistent/program"});
    EXPECT_FALSE(missing.Started());
}

TEST(ScreenWatchTest, WaitsUntilTheConditionAndGivesUpAfterTheTimeout) {
    int calls = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GE(SecondsUntil(start, [&] { return ++calls == 3; }), 0);
    EXPECT_EQ(calls, 3);
    EXPECT_LT(SecondsUntil(
                  std::chrono::steady_clock::now(), [] { return false; }, std::chrono::milliseconds(30)),
              0);
}

} // namespace
