// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"
#include "graph/GraphSystem.h"
#include "graph/WindowLinks.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// The playback object: owns one filter graph for the life of the main window, builds it for a file
// so that the streams reach the output device's renderer or the standard renderers, drives and seeks
// it, and lists its filters. Failures of the graph are shown in the error box and the operation goes
// on; nothing is returned or thrown.
//
// The graph system and the error box are lent for the object's whole life; the seek bar is lent from
// SetSeekBar on.
class THalvion {
public:
    THalvion(std::shared_ptr<IGraphSystem> system, ErrorBoxLink& errorBox);
    ~THalvion();
    THalvion(const THalvion&) = delete;
    THalvion& operator=(const THalvion&) = delete;

    void SetSeekBar(SeekBarLink* bar);
    void SetOwnerWindow(WindowHandle handle);
    // Device pixels per logical pixel of the screen the owner window is on. The picture's place is
    // worked out in logical pixels and placed in device pixels; a change re-places a picture shown.
    void SetOwnerScale(double ratio);
    // A still picture that the last placement left at an old size is made again at the new one. Asked
    // for once the handler that placed it is over: a seek or a run that follows makes one anyway.
    void RemakeStillPicture();
    void SetEnableVideo(bool value);
    void SetEnableAudio(bool value);
    // The sound server's output for the device's sound, empty for the server's default. Unlike the
    // two options above it holds at once: a device playing moves its sound there.
    void SetAudioOutput(const std::string& name);
    // The monitor of the device's picture, by its index in the X server's list, and whether it covers
    // it. Like the sound output it holds at once: a device playing moves its picture there.
    void SetDeviceScreen(int monitor, bool fullscreen);

    void OpenFile(const std::string& fileName);
    // The place the next file opened is sought to at once, told ahead so that the graph can get ready
    // for it while it builds; the seek itself is still SetPosition's.
    void ExpectPosition(MediaTime position);
    MediaTime ExpectedPosition() const { return PositionExpected; }
    // While there is no owner window yet, the scale the picture will be placed at, asked when the
    // frame's size is known (on a streaming thread), so that a file built before the window is made
    // makes its first picture at the size it will be shown at.
    void SetScaleAhead(std::function<double()> scale);
    // Carries on with the graph another playback object built for a file (a start builds the file it
    // will play while the window is made), as if OpenFile had built it here; this object's own graph
    // goes. The picture moves into this object's owner window. `soughtTo`: the place the built graph
    // was sought to already, which the next SetPosition, when it asks for the same place, need not seek
    // again.
    void TakeOverBuild(THalvion& built, std::optional<MediaTime> soughtTo = std::nullopt);
    void TestRenderFile(const std::string& fileName);

    void Play();
    void TogglePause();
    void Stop();
    void UpdatePosition();
    HRESULT SeekToBarPosition(std::int32_t barPos);
    HRESULT SetPosition(MediaTime position);
    MediaTime GetPosition();
    // The open file's length (its stop position); 0 when no file is open or the length is unknown.
    MediaTime GetLength();
    HRESULT SkipSeconds(std::int64_t seconds);
    // The computer's sound volume, 0 to 1, through the standard sound renderer; the output device's
    // sound is not touched. Full when the graph has no volume to offer.
    double GetVolume();
    void SetVolume(double volume);

    void ListFilters(TextSinkLink& sink);

    // Read-only views of the fields only the object itself changes.
    const std::string& CurrentFileName() const { return FileName; }
    bool VideoEnabled() const { return EnableVideo; }
    bool AudioEnabled() const { return EnableAudio; }
    const std::string& ChosenAudioOutput() const { return AudioOutput; }
    WindowHandle Owner() const { return OwnerWindow; }
    // Whether the last end seen was that of a file with no length: one whose graph could not be built.
    bool EndedWithoutLength() const { return EndWithoutLength; }

    // The seek bar's scale: this value stands for the stop position.
    static constexpr std::int32_t SeekBarMax = 10000;

private:
    void RemoveAllFilters();
    void ReplaceRenderers();
    std::shared_ptr<IPin> GetUpstreamPin(const std::shared_ptr<IBaseFilter>& baseFilter);
    std::shared_ptr<IPin> GetOutputPin(const std::shared_ptr<IBaseFilter>& baseFilter);
    void PlaceVideoWindow();

    void ShowError(const char* text);

    std::shared_ptr<IGraphSystem> System;
    ErrorBoxLink& ErrorBox;
    bool SystemInitialized = false;

    // The fields in the order the rest of the program knows them. The controller reads Playing,
    // Paused, EndReached, VideoWidth and VideoHeight, and clears EndReached when it acts on it.
    std::shared_ptr<IGraphBuilder> Graph;
    std::shared_ptr<IMediaControl> MediaControl;
    std::shared_ptr<IMediaSeeking> MediaSeeking;
    std::shared_ptr<IVideoWindow> VideoWindow;
    std::shared_ptr<IBasicVideo> BasicVideo;

public:
    bool Playing = false;
    bool Paused = false;
    // Called after Play, TogglePause or Stop changed Playing or Paused.
    std::function<void()> PlaybackChanged;

private:
    SeekBarLink* SeekBar = nullptr;
    bool EnableVideo = false;
    bool EnableAudio = false;
    WindowHandle OwnerWindow = 0;
    double OwnerScale = 1.0;

public:
    std::int32_t VideoWidth = 0;
    std::int32_t VideoHeight = 0;

private:
    std::string FileName;
    std::string AudioOutput;
    MediaTime PositionExpected = 0;
    std::function<double()> ScaleAhead;
    std::optional<MediaTime> SoughtAhead;

public:
    bool EndReached = false;

private:
    bool EndWithoutLength = false;
};
