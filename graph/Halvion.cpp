// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/Halvion.h"

#include "graph/DeviceScreenOutput.h"
#include "graph/FilterName.h"
#include "graph/SoundOutputs.h"

#include <utility>
#include <vector>

namespace {

constexpr const char* ErrorCaption = "Error";

// A facet query that counts as done only when it also handed out a reference.
template <typename Facet> bool QueryFacet(IGraphBuilder* graph, std::shared_ptr<Facet>& facet) {
    facet.reset();
    const HRESULT status = graph ? graph->QueryInterface(facet) : E_POINTER;
    if (Failed(status) || !facet) {
        facet.reset();
        return false;
    }
    return true;
}

} // namespace

THalvion::THalvion(std::shared_ptr<IGraphSystem> system, ErrorBoxLink& errorBox)
    : System(std::move(system)), ErrorBox(errorBox) {
    if (!System || Failed(System->Initialize())) {
        ShowError("CoInitialize Faild!");
        return;
    }
    SystemInitialized = true;

    const HRESULT created = System->CreateFilterGraph(Graph);
    if (Failed(created) || !Graph) {
        Graph.reset();
        ShowError("Create IGraphBuilder Faild!");
    }
    // Without a graph every query fails and says so; the object then works without that facet.
    if (!QueryFacet(Graph.get(), MediaControl)) {
        ShowError("Query IMediaControl Faild!");
    }
    if (!QueryFacet(Graph.get(), MediaSeeking)) {
        ShowError("Query IMediaSeeking Faild!");
    }
    if (!QueryFacet(Graph.get(), BasicVideo)) {
        ShowError("Query IBasicVideo Faild!");
    }
    if (!QueryFacet(Graph.get(), VideoWindow)) {
        ShowError("Query IVideoWindows Faild!");
    }
}

THalvion::~THalvion() {
    if (MediaControl) {
        MediaControl->Stop();
    }
    MediaControl.reset();
    MediaSeeking.reset();
    VideoWindow.reset();
    BasicVideo.reset();
    // The last reference to the graph takes its filters with it, while the library is still up.
    Graph.reset();
    if (SystemInitialized) {
        System->Uninitialize();
    }
}

void THalvion::ShowError(const char* text) {
    ErrorBox.ShowError(ErrorCaption, text);
}

void THalvion::SetOwnerWindow(WindowHandle handle) {
    OwnerWindow = handle;
}

void THalvion::SetOwnerScale(double ratio) {
    if (ratio == OwnerScale) {
        return;
    }
    OwnerScale = ratio;
    if (!FileName.empty()) {
        PlaceVideoWindow();
    }
}

void THalvion::RemakeStillPicture() {
    if (VideoWindow && !FileName.empty()) {
        VideoWindow->RemakeStillPicture();
    }
}

void THalvion::SetEnableVideo(bool value) {
    EnableVideo = value;
}

void THalvion::SetEnableAudio(bool value) {
    EnableAudio = value;
}

void THalvion::SetAudioOutput(const std::string& name) {
    AudioOutput = name;
    if (const auto choice = std::dynamic_pointer_cast<IDeviceSoundOutput>(Graph)) {
        choice->SetDeviceSoundOutput(name);
    }
}

void THalvion::SetDeviceScreen(int monitor, bool fullscreen) {
    if (const auto screen = std::dynamic_pointer_cast<IDeviceScreenOutput>(Graph)) {
        screen->SetDeviceScreen(monitor, fullscreen);
    }
}

void THalvion::ListFilters(TextSinkLink& sink) {
    std::shared_ptr<IEnumFilters> enumerator;
    if (!Graph || Graph->EnumFilters(enumerator) != S_OK || !enumerator) {
        return;
    }
    std::vector<std::shared_ptr<IBaseFilter>> filters;
    enumerator->Reset();
    for (std::shared_ptr<IBaseFilter> filter; enumerator->Next(filter) == S_OK && filter; filter.reset()) {
        filters.push_back(filter);
    }
    enumerator.reset();

    for (auto& filter : filters) {
        if (const auto name = QueryFilterName(*filter)) {
            sink.AppendLine(*name);
        }
        filter.reset();
    }
}
