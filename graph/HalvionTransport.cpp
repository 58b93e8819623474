// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/Halvion.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr MediaTime UnitsPerSecond = 10'000'000;

// 64-bit products wrap as the machine's 64-bit multiply does, instead of being undefined.
std::int64_t WrappingMultiply(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}

std::int64_t WrappingAdd(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// current x 10000 / stop, the product in 64 bits, the quotient in extended precision truncated toward
// zero, and its low 32 bits: what the seek bar is handed.
std::int32_t BarPositionOf(MediaTime current, MediaTime stop) {
    const long double quotient = static_cast<long double>(WrappingMultiply(current, THalvion::SeekBarMax)) /
                                 static_cast<long double>(stop);
    const long double truncated = std::trunc(quotient);
    // Only a product of -2^63 over a stop of -1 leaves the 64-bit range; keep it in range.
    const auto whole = truncated >= 0x1p63L ? std::numeric_limits<std::int64_t>::max()
                                            : static_cast<std::int64_t>(truncated);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

} // namespace

void THalvion::SetSeekBar(SeekBarLink* bar) {
    SeekBar = bar;
    if (SeekBar) {
        SeekBar->SetMax(SeekBarMax);
    }
}

void THalvion::Play() {
    if (!MediaControl) {
        return;
    }
    const bool changed = !Playing || Paused;
    Playing = true;
    Paused = false;
    MediaControl->Run();
    EndReached = false;
    if (changed && PlaybackChanged) {
        PlaybackChanged();
    }
}

void THalvion::TogglePause() {
    if (!MediaControl) {
        return;
    }
    if (Paused) {
        MediaControl->Run();
    } else {
        MediaControl->Pause();
    }
    Paused = !Paused;
    if (PlaybackChanged) {
        PlaybackChanged();
    }
}

void THalvion::Stop() {
    SoughtAhead.reset();
    if (!MediaControl) {
        return;
    }
    // Rewound and shown at 0 while the graph still runs, so the bar never shows the old place.
    SetPosition(0);
    UpdatePosition();
    MediaControl->Stop();
    const bool changed = Playing;
    Playing = false;
    if (changed && PlaybackChanged) {
        PlaybackChanged();
    }
}

void THalvion::UpdatePosition() {
    if (!Playing) {
        return;
    }
    MediaTime current = 0;
    MediaTime stop = 0;
    // Positions the graph could not tell say nothing about the end of the file: leave bar and flag.
    if (!MediaSeeking || Failed(MediaSeeking->GetPositions(current, stop))) {
        return;
    }
    if (SeekBar && stop != 0) {
        SeekBar->SetPosition(BarPositionOf(current, stop));
    }
    if (current == stop) {
        EndReached = true;
        EndWithoutLength = stop == 0;
    }
}

HRESULT THalvion::SeekToBarPosition(std::int32_t barPos) {
    if (!MediaSeeking) {
        return E_POINTER;
    }
    MediaTime stop = 0;
    // Without the length there is no place to go to.
    const HRESULT read = MediaSeeking->GetStopPosition(stop);
    if (Failed(read)) {
        return read;
    }
    MediaTime target = WrappingMultiply(stop, barPos) / SeekBarMax;
    if (target < 0) {
        target = 0;
    }
    if (target > stop) {
        target = stop;
    }
    return MediaSeeking->SetPositions(target, AM_SEEKING_AbsolutePositioning, target,
                                      AM_SEEKING_NoPositioning);
}

HRESULT THalvion::SetPosition(MediaTime position) {
    if (!MediaSeeking) {
        return E_POINTER;
    }
    // A seek to where the graph taken over stands already would only make the same picture again.
    if (std::exchange(SoughtAhead, std::nullopt) == position) {
        return S_OK;
    }
    return MediaSeeking->SetPositions(position, AM_SEEKING_AbsolutePositioning, position,
                                      AM_SEEKING_NoPositioning);
}

MediaTime THalvion::GetPosition() {
    MediaTime current = 0;
    MediaTime stop = 0;
    if (!MediaSeeking || Failed(MediaSeeking->GetPositions(current, stop))) {
        return 0;
    }
    return current;
}

HRESULT THalvion::SkipSeconds(std::int64_t seconds) {
    if (!MediaSeeking) {
        return E_POINTER;
    }
    MediaSeeking->SetTimeFormat(TimeFormat::MediaTime);
    MediaTime current = 0;
    MediaTime stop = 0;
    // A skip from an unknown place would land anywhere: without the position there is no seek.
    const HRESULT read = MediaSeeking->GetPositions(current, stop);
    if (Failed(read)) {
        return read;
    }
    current = WrappingAdd(current, WrappingMultiply(seconds, UnitsPerSecond));
    return MediaSeeking->SetPositions(current, AM_SEEKING_AbsolutePositioning, current,
                                      AM_SEEKING_NoPositioning);
}

MediaTime THalvion::GetLength() {
    MediaTime stop = 0;
    if (!MediaSeeking || Failed(MediaSeeking->GetStopPosition(stop))) {
        return 0;
    }
    return stop;
}

// The facet is asked for only when the volume is used, so a graph without it (or a test's graph that
// records every query) sees nothing new unless someone turns the volume.
double THalvion::GetVolume() {
    std::shared_ptr<IBasicAudio> audio;
    double volume = 1.0;
    if (Graph && Succeeded(Graph->QueryInterface(audio)) && audio && Failed(audio->get_Volume(volume))) {
        volume = 1.0;
    }
    return volume;
}

void THalvion::SetVolume(double volume) {
    std::shared_ptr<IBasicAudio> audio;
    if (Graph && Succeeded(Graph->QueryInterface(audio)) && audio) {
        audio->put_Volume(volume);
    }
}
