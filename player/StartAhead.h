// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/ThreadedCall.h"
#include "graph/GraphInterfaces.h"
#include "graph/GraphWait.h"
#include "graph/WindowLinks.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

class IGraphSystem;
class THalvion;
struct PlaySettings;
struct DeviceSettings;

// The file a start will play, and how, as far as it can be told before there is a window.
struct StartPlan {
    std::string path;
    MediaTime position = 0;
    bool enableVideo = false;
    bool enableAudio = false;
    std::string audioOutput;
    // The device's monitor as the settings file gives it, and whether it covers it.
    std::string monitor;
    bool fullscreen = false;
};

// The file this start plays: the one it was given (from its start), else the stored one of a resume
// (at the stored place). None when it plays nothing, when it was given something that may be a folder
// (a path ending in "/"), and when the stored place is not a number.
std::optional<StartPlan> PlanStart(const std::string& startPath, const PlaySettings& stored,
                                   const DeviceSettings& device);

// The same, from the settings file as it stands now. A file that cannot be read plans nothing: the
// window's own reading of it reports why.
std::optional<StartPlan> PlanFromSettingsFile(const std::string& startPath);

// Builds the file a start plays, on a thread of its own, while the main thread makes the application
// and the window: the two take about as long, and the second core idled through the window. The
// build is the playback object's own (its OpenFile, at the place told ahead), so the player that takes
// it over carries on as if it had built the file itself, and the boxes it raised are shown then, in
// their order, once the window is up. Nothing plays until the player says so.
class StartAhead {
public:
    // The graphs are made by `system`, whose waits tell no one: no window exists yet.
    StartAhead(StartPlan plan, std::shared_ptr<IGraphSystem> system);
    // A build not yet ended is left to its thread, which lets go of it when it ends.
    ~StartAhead();
    StartAhead(const StartAhead&) = delete;
    StartAhead& operator=(const StartAhead&) = delete;

    const StartPlan& Plan() const { return plan_; }
    // The scale the player's window will place the picture at; until told, 1.
    void SetOwnerScale(double ratio);
    // Where the device's picture goes (its monitor's index in the X server's list, and whether it
    // covers it). That follows the window's place among the monitors, so a build whose picture goes to
    // the device waits for it before it opens the device's window: a window opened elsewhere first
    // would flash up on the wrong screen, over the player even. Told nothing within ScreenPatience, the
    // build puts it where the settings would on the first monitor, and the player moves it once it
    // takes the build over.
    void SetDeviceScreen(int monitor, bool fullscreen);
    static constexpr std::chrono::milliseconds ScreenPatience{5000};
    // When what `player` opens now is what was built (the file, its routing and the place told
    // ahead), waits for the build with the window answering, shows its boxes and lets the player
    // carry on with its graph. False when it is not, when the file was not there to build, or when the
    // build did not end within the patience: the build is dropped and the player builds the file
    // itself.
    bool HandTo(THalvion& player, const std::string& path, GraphWaitListener* listener,
                ErrorBoxLink& errorBox);

    // Longer than any of a build's own deadlines.
    std::chrono::milliseconds Patience{12000};

private:
    struct Build;
    StartPlan plan_;
    std::shared_ptr<Build> build_;
    std::optional<ThreadedCall> call_;
};
