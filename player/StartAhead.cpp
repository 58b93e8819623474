// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/StartAhead.h"

#include "browser/FolderVisit.h"
#include "core/ProfileFile.h"
#include "core/SettingsFileName.h"
#include "core/StartupMarks.h"
#include "graph/Halvion.h"
#include "player/DeviceSettings.h"
#include "player/PlaySettings.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

std::optional<StartPlan> PlanStart(const std::string& startPath, const PlaySettings& stored,
                                   const DeviceSettings& device) {
    StartPlan plan;
    plan.enableVideo = stored.EnableVideo;
    plan.enableAudio = stored.EnableAudio;
    plan.audioOutput = device.AudioOutput;
    plan.monitor = device.Monitor;
    plan.fullscreen = device.FullScreen;
    if (!startPath.empty()) {
        if (startPath.ends_with('/')) {
            return std::nullopt;
        }
        plan.path = startPath;
        return plan;
    }
    if (!stored.Resume || !stored.Playing || stored.File.empty()) {
        return std::nullopt;
    }
    try {
        plan.position = ParsePosition(stored.Position);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    plan.path = stored.File;
    return plan;
}

std::optional<StartPlan> PlanFromSettingsFile(const std::string& startPath) {
    try {
        const ProfileFile settings(SettingsFileName());
        return PlanStart(startPath, ReadPlaySettings(settings), ReadDeviceSettings(settings));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// What the build's thread makes, handed over once it has ended.
struct StartAhead::Build : ErrorBoxLink {
    std::unique_ptr<THalvion> player;
    // The boxes the build raised, shown when the player takes it over; those of the playback object's
    // own making are the taker's to show, as it makes one too.
    std::vector<std::pair<std::string, std::string>> boxes;
    bool holdBoxes = false;
    std::optional<MediaTime> soughtTo;
    std::atomic<double> scale{1.0};

    std::mutex lock;
    std::condition_variable told;
    bool dropped = false;
    std::optional<std::pair<int, bool>> deviceScreen;

    bool Dropped() {
        const std::lock_guard guard(lock);
        return dropped;
    }
    // False when dropped meanwhile.
    bool WaitForDeviceScreen() {
        std::unique_lock guard(lock);
        told.wait_for(guard, ScreenPatience, [this] { return dropped || deviceScreen.has_value(); });
        return !dropped;
    }

    void ShowError(const std::string& caption, const std::string& text) override {
        if (holdBoxes) {
            boxes.emplace_back(caption, text);
        }
    }
};

StartAhead::StartAhead(StartPlan plan, std::shared_ptr<IGraphSystem> system)
    : plan_(std::move(plan)), build_(std::make_shared<Build>()) {
    call_.emplace([build = build_, plan = plan_, system = std::move(system)] {
        // A file the browser will not find is built by no one: the player's own open reports it.
        const PathFacts facts = LookUpPath(plan.path);
        // On a share that slept, the user may have acted, or the window gone, meanwhile.
        if (build->Dropped() || facts.Error != 0 || !facts.PlainFile || !facts.Readable) {
            return;
        }
        if (plan.enableVideo && !build->WaitForDeviceScreen()) {
            return;
        }
        build->player = std::make_unique<THalvion>(system, *build);
        build->holdBoxes = true;
        build->player->SetEnableVideo(plan.enableVideo);
        build->player->SetEnableAudio(plan.enableAudio);
        build->player->SetAudioOutput(plan.audioOutput);
        if (plan.enableVideo) {
            const std::lock_guard guard(build->lock);
            if (build->deviceScreen) {
                build->player->SetDeviceScreen(build->deviceScreen->first, build->deviceScreen->second);
            }
        }
        build->player->SetScaleAhead([scale = &build->scale] { return scale->load(); });
        build->player->ExpectPosition(plan.position);
        MarkStartup("build ahead: begins");
        build->player->OpenFile(plan.path);
        // The resume's seek, while the window is still being made.
        if (plan.position != 0 && Succeeded(build->player->SetPosition(plan.position))) {
            build->soughtTo = plan.position;
        }
        MarkStartup("build ahead: built");
    });
}

StartAhead::~StartAhead() {
    if (call_) {
        {
            const std::lock_guard guard(build_->lock);
            build_->dropped = true;
        }
        build_->told.notify_all();
        call_->LetGo([build = build_] { build->player.reset(); });
    }
}

void StartAhead::SetOwnerScale(double ratio) {
    build_->scale = ratio > 0 ? ratio : 1.0;
}

void StartAhead::SetDeviceScreen(int monitor, bool fullscreen) {
    {
        const std::lock_guard guard(build_->lock);
        build_->deviceScreen = std::make_pair(monitor, fullscreen);
    }
    build_->told.notify_all();
}

bool StartAhead::HandTo(THalvion& player, const std::string& path, GraphWaitListener* listener,
                        ErrorBoxLink& errorBox) {
    if (!call_) {
        return false;
    }
    const bool same = path == plan_.path && player.VideoEnabled() == plan_.enableVideo &&
                      player.AudioEnabled() == plan_.enableAudio &&
                      player.ChosenAudioOutput() == plan_.audioOutput &&
                      player.ExpectedPosition() == plan_.position;
    if (same) {
        WaitUntil(
            listener, call_->Ended(), [this] { return call_->Done(); },
            std::chrono::steady_clock::now() + Patience);
    }
    if (!same || !call_->Done() || !build_->player) {
        return false;
    }
    call_.reset();
    MarkStartup("build ahead: taken over");
    for (const auto& [caption, text] : build_->boxes) {
        errorBox.ShowError(caption, text);
    }
    player.TakeOverBuild(*build_->player, build_->soughtTo);
    build_->player.reset();
    return true;
}
