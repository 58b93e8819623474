// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/DevicePixels.h"
#include "graph/FilterName.h"
#include "graph/GraphNames.h"
#include "graph/Halvion.h"
#include "graph/PositionAhead.h"
#include "graph/VideoPlacement.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

// A step whose object is missing (no graph, no source filter, no device renderer, no pin) counts as a
// call that failed with E_POINTER: it is reported where the call would be, and nothing is asked of the
// graph with an empty reference.

namespace {

// The extension that decides how a file is built: the text from the last ".", "/" or ":" when that
// character is a dot, else nothing. Letter case counts.
std::string_view ExtensionOf(std::string_view path) {
    const auto last = path.find_last_of("./:");
    if (last == std::string_view::npos || path[last] != '.') {
        return {};
    }
    return path.substr(last);
}

// Every filter of the graph, gathered before any is touched so that no change of the graph happens
// while the enumerator is open. The filters are counted first and as many as were counted are kept.
std::vector<std::shared_ptr<IBaseFilter>> CollectFilters(IGraphBuilder& graph) {
    std::vector<std::shared_ptr<IBaseFilter>> filters;
    std::shared_ptr<IEnumFilters> enumerator;
    if (Failed(graph.EnumFilters(enumerator)) || !enumerator) {
        return filters;
    }
    std::size_t count = 0;
    while (enumerator->Skip(1) == S_OK) {
        ++count;
    }
    enumerator->Reset();
    for (std::shared_ptr<IBaseFilter> filter; enumerator->Next(filter) == S_OK && filter; filter.reset()) {
        filters.push_back(filter);
    }
    enumerator.reset();
    filters.resize(std::min(count, filters.size()));
    return filters;
}

} // namespace

void THalvion::ExpectPosition(MediaTime position) {
    PositionExpected = position;
}

void THalvion::OpenFile(const std::string& fileName) {
    SoughtAhead.reset();
    if (MediaControl) {
        MediaControl->Stop();
    }
    RemoveAllFilters();
    FileName = fileName;
    // A graph that can place its window as soon as it knows the frame size makes the first picture
    // at its place's size, rather than making it again once the window is placed below.
    if (const auto ahead = std::dynamic_pointer_cast<IVideoPlacementAhead>(Graph);
        ahead && OwnerWindow != 0) {
        ahead->PlaceAhead([scale = OwnerScale](std::int32_t width, std::int32_t height) {
            return PanelVideoPlacement(width, height, scale);
        });
        // Inside its owner already, the window can be sized ahead to only the part the owner shows.
        if (VideoWindow) {
            VideoWindow->put_Owner(OwnerWindow);
        }
    } else if (ahead && ScaleAhead) {
        ahead->PlaceAhead([scale = ScaleAhead](std::int32_t width, std::int32_t height) {
            return PanelVideoPlacement(width, height, scale());
        });
    }
    if (const auto ahead = std::dynamic_pointer_cast<IPositionAhead>(Graph)) {
        ahead->PositionAhead(std::exchange(PositionExpected, 0));
    }
    PositionExpected = 0;
    // The path goes to the graph whole: the graph, not a fixed buffer, decides what it can open.
    const std::string& path = FileName;

    if (!EnableVideo && !EnableAudio) {
        if (Graph) {
            Graph->RenderFile(path);
        }
    } else if (ExtensionOf(path) == ".wmv") {
        if (!Graph || Failed(Graph->RenderFile(path))) {
            ShowError("RenderFile Faild!");
        }
        ReplaceRenderers();
    } else {
        RemoveAllFilters();
        std::shared_ptr<IBaseFilter> source;
        if (!Graph || Failed(Graph->AddSourceFilter(path, SourceFilterName, source)) || !source) {
            source.reset();
            ShowError("AddSourceFilter Faild!");
        }
        const std::shared_ptr<IPin> sourceOutput = source ? GetOutputPin(source) : nullptr;

        std::shared_ptr<IBaseFilter> device;
        if (Failed(System->CreateDeviceRenderer(device)) || !device) {
            device.reset();
            ShowError("Halvion Create Faild!");
        }
        if (!Graph || !device || Failed(Graph->AddFilter(device, DeviceRendererName))) {
            ShowError("Halvion AddFilter Faild!");
        }
        if (!Graph || !sourceOutput || Failed(Graph->Render(sourceOutput))) {
            ShowError("Render Faild!");
        }
    }

    // A size the graph cannot tell leaves the previous one.
    if (BasicVideo) {
        std::int32_t width = 0;
        if (Succeeded(BasicVideo->get_SourceWidth(width))) {
            VideoWidth = width;
        }
        std::int32_t height = 0;
        if (Succeeded(BasicVideo->get_SourceHeight(height))) {
            VideoHeight = height;
        }
    }
    if (MediaSeeking) {
        MediaSeeking->SetPositions(0, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning);
    }
    PlaceVideoWindow();
}

void THalvion::SetScaleAhead(std::function<double()> scale) {
    ScaleAhead = std::move(scale);
}

void THalvion::TakeOverBuild(THalvion& built, std::optional<MediaTime> soughtTo) {
    if (MediaControl) {
        MediaControl->Stop();
    }
    MediaControl = std::move(built.MediaControl);
    MediaSeeking = std::move(built.MediaSeeking);
    VideoWindow = std::move(built.VideoWindow);
    BasicVideo = std::move(built.BasicVideo);
    Graph = std::move(built.Graph);
    if (Graph && System) {
        System->AdoptGraph(*Graph);
    }
    FileName = std::move(built.FileName);
    // The device's sound output holds at once: the one chosen here since goes to the graph taken over.
    SetAudioOutput(AudioOutput);
    VideoWidth = built.VideoWidth;
    VideoHeight = built.VideoHeight;
    Playing = false;
    Paused = false;
    EndReached = false;
    EndWithoutLength = false;
    PositionExpected = 0;
    PlaceVideoWindow();
    SoughtAhead = soughtTo;
}

void THalvion::TestRenderFile(const std::string& fileName) {
    FileName = fileName;
    if (Graph && Succeeded(Graph->RenderFile(FileName)) && MediaControl) {
        MediaControl->Stop();
    }
}

void THalvion::RemoveAllFilters() {
    if (!Graph) {
        return;
    }
    for (auto& filter : CollectFilters(*Graph)) {
        Graph->RemoveFilter(filter);
        filter.reset();
    }
}

void THalvion::ReplaceRenderers() {
    if ((!EnableVideo && !EnableAudio) || !Graph) {
        return;
    }
    std::shared_ptr<IPin> videoSource;
    std::shared_ptr<IPin> audioSource;
    // When several filters carry a renderer's name, each goes and the last one's feed is used.
    for (const auto& filter : CollectFilters(*Graph)) {
        const std::string name = QueryFilterName(*filter).value_or(std::string());
        if (EnableVideo && name == VideoRendererName) {
            videoSource = GetUpstreamPin(filter);
            Graph->RemoveFilter(filter);
        }
        if (EnableAudio && name == SoundRendererName) {
            audioSource = GetUpstreamPin(filter);
            Graph->RemoveFilter(filter);
        }
    }

    std::shared_ptr<IPin> videoIn;
    std::shared_ptr<IPin> audioIn;
    {
        // The graph keeps its own reference to the device renderer; this one ends with the block.
        std::shared_ptr<IBaseFilter> device;
        System->CreateDeviceRenderer(device);
        if (device) {
            Graph->AddFilter(device, DeviceRendererName);
            device->FindPin(DeviceVideoPinId, videoIn);
            device->FindPin(DeviceAudioPinId, audioIn);
        }
    }
    if (EnableVideo && videoSource && videoIn) {
        Graph->Connect(videoSource, videoIn);
    }
    if (EnableAudio && audioSource && audioIn) {
        Graph->Connect(audioSource, audioIn);
    }
}

std::shared_ptr<IPin> THalvion::GetUpstreamPin(const std::shared_ptr<IBaseFilter>& baseFilter) {
    std::shared_ptr<IPin> result;
    std::shared_ptr<IEnumPins> pins;
    if (Failed(baseFilter->EnumPins(pins)) || !pins) {
        return result;
    }
    for (std::shared_ptr<IPin> pin; pins->Next(pin) == S_OK && pin; pin.reset()) {
        PinDirection direction = PinDirection::Output;
        if (Failed(pin->QueryDirection(direction)) || direction != PinDirection::Input) {
            continue;
        }
        std::shared_ptr<IPin> connected;
        if (pin->ConnectedTo(connected) == S_OK && connected) {
            result = connected;
        }
    }
    return result;
}

std::shared_ptr<IPin> THalvion::GetOutputPin(const std::shared_ptr<IBaseFilter>& baseFilter) {
    std::shared_ptr<IPin> result;
    std::shared_ptr<IEnumPins> pins;
    if (Failed(baseFilter->EnumPins(pins)) || !pins) {
        return result;
    }
    pins->Reset();
    for (std::shared_ptr<IPin> pin; pins->Next(pin) == S_OK && pin; pin.reset()) {
        PinDirection direction = PinDirection::Input;
        if (Succeeded(pin->QueryDirection(direction)) && direction == PinDirection::Output) {
            result = pin;
        }
    }
    return result;
}

void THalvion::PlaceVideoWindow() {
    if (OwnerWindow == 0 || !VideoWindow) {
        return;
    }
    VideoWindow->put_Owner(OwnerWindow);
    VideoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    // Without a frame size there is nothing to scale: the video stays in the owner where the graph put
    // it rather than dividing by zero.
    if (VideoWidth == 0 || VideoHeight == 0) {
        return;
    }
    const PixelRect device = PanelVideoPlacement(VideoWidth, VideoHeight, OwnerScale);
    VideoWindow->SetWindowPosition(device.left, device.top, device.width, device.height);
}
