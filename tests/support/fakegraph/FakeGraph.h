// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/DeviceScreenOutput.h"
#include "graph/GraphInterfaces.h"
#include "tests/support/fakegraph/FakeFilter.h"
#include "tests/support/fakegraph/FakeScript.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A scripted filter graph. It holds named filters whose pins have directions, media types and
// connections, builds graphs for the media files it was told about the way the real graph does
// (standard renderers "Video Renderer" and "Default DirectSound Device"; Render uses free input
// pins of filters already in the graph first; Connect puts a decoder or converter between pins where
// needed), records every call in the shared script, fails any call the script names, and reports
// whatever positions and frame size the test sets.
class FakeGraph : public IGraphBuilder,
                  public IMediaControl,
                  public IMediaSeeking,
                  public IBasicVideo,
                  public IVideoWindow,
                  public IDeviceScreenOutput,
                  public std::enable_shared_from_this<FakeGraph> {
public:
    explicit FakeGraph(std::shared_ptr<FakeScript> script);
    ~FakeGraph() override;

    // IDeviceScreenOutput: recorded as "SetDeviceScreen(monitor,fullscreen)".
    void SetDeviceScreen(int monitor, bool fullscreen) override {
        script_->Enter("SetDeviceScreen", std::to_string(monitor) + "," + (fullscreen ? "1" : "0"));
    }

    // IGraphBuilder
    HRESULT QueryInterface(std::shared_ptr<IMediaControl>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IMediaSeeking>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IBasicVideo>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IVideoWindow>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IBasicAudio>& facet) override;
    HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter, const std::string& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override;
    HRESULT EnumFilters(std::shared_ptr<IEnumFilters>& filters) override;
    HRESULT Connect(const std::shared_ptr<IPin>& output, const std::shared_ptr<IPin>& input) override;
    HRESULT Render(const std::shared_ptr<IPin>& output) override;
    HRESULT RenderFile(const std::string& path) override;
    HRESULT AddSourceFilter(const std::string& path, const std::string& name,
                            std::shared_ptr<IBaseFilter>& filter) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    // IMediaSeeking
    HRESULT SetTimeFormat(TimeFormat format) override;
    HRESULT GetPositions(MediaTime& current, MediaTime& stop) override;
    HRESULT GetStopPosition(MediaTime& stop) override;
    HRESULT SetPositions(MediaTime current, std::uint32_t currentFlags, MediaTime stop,
                         std::uint32_t stopFlags) override;

    // IBasicVideo
    HRESULT get_SourceWidth(std::int32_t& width) override;
    HRESULT get_SourceHeight(std::int32_t& height) override;

    // IVideoWindow
    HRESULT put_Owner(WindowHandle owner) override;
    HRESULT put_WindowStyle(std::int32_t style) override;
    HRESULT SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                              std::int32_t height) override;
    HRESULT RemakeStillPicture() override;

    // Setting up and looking at the graph from a test; none of this is recorded.
    void AddMedia(const std::string& path, FakeMedia media = {}) { media_[path] = media; }
    // A filter placed in the graph directly, under exactly this name.
    std::shared_ptr<FakeFilter> PlaceFilter(const std::string& name);
    const std::vector<std::shared_ptr<FakeFilter>>& Filters() const { return filters_; }
    std::vector<std::string> FilterNames() const;
    std::shared_ptr<FakeFilter> FindFilter(const std::string& name) const;
    // When set, RenderFile of a known file builds this instead of the usual graph.
    std::function<void(FakeGraph&)> BuildOnRenderFile;
    // Put a converter on every Connect between pins of the same type, as a graph may.
    bool ConnectInsertsConverter = false;

    enum class State { Stopped, Paused, Running };
    State GraphState = State::Stopped;
    MediaTime Current = 0;
    MediaTime StopPosition = 0;
    std::int32_t SourceWidth = 0;
    std::int32_t SourceHeight = 0;
    WindowHandle Owner = 0;
    std::int32_t WindowStyle = 0;
    struct Rect {
        std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    } WindowRect;
    // The graph changes each time a filter comes or goes; enumerators compare it.
    int Version = 0;

private:
    std::shared_ptr<FakeFilter> NewFilter(const std::string& name);
    void Insert(const std::shared_ptr<FakeFilter>& filter, const std::string& name);
    bool Holds(const FakeFilter& filter) const;
    HRESULT ConnectPins(const std::shared_ptr<FakePin>& output, const std::shared_ptr<FakePin>& input,
                        bool mayAddConverter);
    HRESULT RenderPin(const std::shared_ptr<FakePin>& output);
    HRESULT RenderOutputsOf(const FakeFilter& filter);
    std::shared_ptr<FakeFilter> NextFilterFor(const FakePin& output);

    std::shared_ptr<FakeScript> script_;
    std::map<std::string, FakeMedia> media_;
    std::vector<std::shared_ptr<FakeFilter>> filters_;
};
