// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "player/TfrmMain.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/fakegraph/FakeGraphSystem.h"

#include <QMessageBox>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The main window over the fake graph, browsing a folder of three clips (and a text file the built-in
// filter does not list). The fake knows the clips, so building a graph for them works; it reports a
// frame of 720 x 480 and a length of one hour. The window's timer is stopped: each tick is the
// test's own call, so no tick lands where the test does not expect one.
class ControllerTest : public ::testing::Test {
protected:
    static constexpr std::int64_t Second = 10'000'000;
    static constexpr std::int64_t Hour = 3600 * Second;

    TempDir media;
    std::shared_ptr<FakeGraphSystem> system;
    std::unique_ptr<TfrmMain> form;
    // What the next Start gives the window as the path it was started with.
    std::string startPath;

    void SetUp() override;
    void TearDown() override;

    // The path of clip1.avi ... clip3.avi in the test's folder.
    std::string Clip(int number) const;
    // Replaces the settings file the next Start reads.
    void StoreSettings(const std::string& text) const;
    std::string StoredSettings() const;
    // One key's value in the section "Play" of the settings file; "(missing)" when it is not there.
    std::string StoredValue(const std::string& key) const;
    // A fresh fake graph system that knows the test's clips.
    void NewGraphSystem();
    std::shared_ptr<FakeGraphSystem> MakeGraphSystem() const;
    // When set, the next Start builds the file its settings and path name ahead on this system, as
    // the program does while it makes the window.
    std::shared_ptr<FakeGraphSystem> aheadSystem;
    // Builds and shows the window, answering any box that building or showing it opens, and returns the
    // first such box; `whileOpen` runs inside each box before it is answered.
    SeenBox Start(const std::function<void()>& whileOpen = {});
    // Every box the last Start answered, in order.
    std::vector<SeenBox> startBoxes;
    // Start with the browser in the given folder and nothing else stored.
    void StartIn(const std::string& folder);
    // Destroys the window (its shutdown writes the settings file), answering any box it opens.
    SeenBox Shutdown();

    // A wait of the graph's, as on a slow disk, held inside the call that makes it: `meanwhile` runs
    // once the wait has begun (what arrives during it), and the wait lasts until everything it posted
    // has been delivered.
    void HoldGraphWait(const std::function<void()>& meanwhile);
    // Watches for the session's end as the program does; the signals are caught from now on.
    std::unique_ptr<QObject> WatchSessionEnd();

    FakeGraph& Graph() { return system->Graph(); }
    FakeScript& Script() { return system->Script(); }
    // The paths the graph was asked to build, in order: the file list's rows as the player sees them.
    std::vector<std::string> Opened() const;
    void Tick() { form->Timer1Timer(); }
    void DoubleClick();
    int Selected() const;
};

// Runs `action`, answering with OK every message box it opens; `whileOpen` runs inside each box first,
// as a timer tick delivered to the box's own event loop would. Returns the boxes in order.
std::vector<SeenBox> AnswerEveryBox(const std::function<void()>& action,
                                    const std::function<void()>& whileOpen = {});
