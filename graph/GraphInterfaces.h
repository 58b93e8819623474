// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphStatus.h"

#include <cstdint>
#include <memory>
#include <string>

// The media graph as the playback object sees it: a filter graph of filters joined pin to pin, with
// control, seeking and video-window facets. The shapes follow the DirectShow interfaces the player was
// designed around, so the playback logic reads the same whatever graph lies underneath.
//
// Conventions every implementation keeps:
// - A std::shared_ptr is a counted reference. A reference out parameter is empty after a failed call;
//   a number out parameter is then left as it was.
// - Every call is synchronous: when it returns, its effect is in place (a rendered graph is fully
//   built and linked, a seek has taken effect for the next position read). Run may return before the
//   first frame is shown.
// - Text (names, paths) is UTF-8. Paths arrive whole, never shortened.
// - Calls are made from one thread, the user-interface thread.

class IBaseFilter;
class IPin;

// 100-nanosecond units, 10,000,000 per second.
using MediaTime = std::int64_t;

// A native window id (an X11 window here); 0 means none.
using WindowHandle = std::uintptr_t;

enum class PinDirection : std::int32_t { Input = 0, Output = 1 };

enum class TimeFormat { MediaTime };

// Seeking flags for SetPositions, one set for the current position and one for the stop position.
constexpr std::uint32_t AM_SEEKING_NoPositioning = 0;
constexpr std::uint32_t AM_SEEKING_AbsolutePositioning = 1;
constexpr std::uint32_t AM_SEEKING_RelativePositioning = 2;

// Window style bits for IVideoWindow::put_WindowStyle. A child style asks for the video to be drawn
// inside the owner window instead of in a window of its own.
constexpr std::int32_t WS_CHILD = 0x40000000;
constexpr std::int32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr std::int32_t WS_CLIPCHILDREN = 0x02000000;

struct FilterInfo {
    std::string Name; // as the graph knows the filter, empty before it is added
};

class IPin {
public:
    virtual ~IPin() = default;
    virtual HRESULT QueryDirection(PinDirection& direction) = 0;
    // The pin at the other end of the connection; VFW_E_NOT_CONNECTED when there is none.
    virtual HRESULT ConnectedTo(std::shared_ptr<IPin>& pin) = 0;
};

// Hands out pins one at a time: S_OK with a pin, S_FALSE when there are no more.
class IEnumPins {
public:
    virtual ~IEnumPins() = default;
    virtual HRESULT Next(std::shared_ptr<IPin>& pin) = 0;
    virtual HRESULT Reset() = 0;
};

class IBaseFilter {
public:
    virtual ~IBaseFilter() = default;
    virtual HRESULT EnumPins(std::shared_ptr<IEnumPins>& pins) = 0;
    // Finds a pin by its identifier ("Video-In"); VFW_E_NOT_FOUND when the filter has none.
    virtual HRESULT FindPin(const std::string& id, std::shared_ptr<IPin>& pin) = 0;
    virtual HRESULT QueryFilterInfo(FilterInfo& info) = 0;
};

// Hands out the graph's filters one at a time: S_OK with a filter, S_FALSE when there are no more.
// Skip passes over filters the same way (S_FALSE when fewer were left than asked). An enumerator
// that outlives a change of the graph answers VFW_E_ENUM_OUT_OF_SYNC.
class IEnumFilters {
public:
    virtual ~IEnumFilters() = default;
    virtual HRESULT Next(std::shared_ptr<IBaseFilter>& filter) = 0;
    virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
};

class IMediaControl {
public:
    virtual ~IMediaControl() = default;
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Stops without rewinding: a later Run goes on from the current position.
    virtual HRESULT Stop() = 0;
};

class IMediaSeeking {
public:
    virtual ~IMediaSeeking() = default;
    virtual HRESULT SetTimeFormat(TimeFormat format) = 0;
    // At the end of playback the current position equals the stop position exactly.
    virtual HRESULT GetPositions(MediaTime& current, MediaTime& stop) = 0;
    virtual HRESULT GetStopPosition(MediaTime& stop) = 0;
    // A position before the start or past the stop position is clamped to it. A seek made while
    // stopped takes effect at the next Run.
    virtual HRESULT SetPositions(MediaTime current, std::uint32_t currentFlags, MediaTime stop,
                                 std::uint32_t stopFlags) = 0;
};

class IBasicVideo {
public:
    virtual ~IBasicVideo() = default;
    virtual HRESULT get_SourceWidth(std::int32_t& width) = 0;
    virtual HRESULT get_SourceHeight(std::int32_t& height) = 0;
};

class IVideoWindow {
public:
    virtual ~IVideoWindow() = default;
    virtual HRESULT put_Owner(WindowHandle owner) = 0;
    virtual HRESULT put_WindowStyle(std::int32_t style) = 0;
    // The video's rectangle inside the owner window, in the owner's pixels; it may overhang the owner.
    virtual HRESULT SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                                      std::int32_t height) = 0;
    // A graph that stands still shows a picture made for the window's size before the last placement
    // changed it; this makes it again at the new size. Asked later than the placement, so that a seek
    // or a run that follows the placement at once, and makes a new picture anyway, comes first.
    virtual HRESULT RemakeStillPicture() = 0;
};

// The loudness of the standard sound renderer ("Default DirectSound Device"): 0 silent to 1 full, on
// the cubic scale of the desktop's own volume controls, so a value reads the same in both. The
// output device's sound is never touched. A volume once set holds for every file the graph is built
// for afterwards; until then the sound server's own volume for the stream stands.
class IBasicAudio {
public:
    virtual ~IBasicAudio() = default;
    virtual HRESULT put_Volume(double volume) = 0;
    virtual HRESULT get_Volume(double& volume) = 0;
};

// The filter graph itself. Its other facets are reached by asking it for them; a graph may lack
// any of them (E_NOINTERFACE). Releasing the last reference to the graph and its facets releases the
// filters it still holds.
class IGraphBuilder {
public:
    virtual ~IGraphBuilder() = default;

    virtual HRESULT QueryInterface(std::shared_ptr<IMediaControl>& facet) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<IMediaSeeking>& facet) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<IBasicVideo>& facet) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<IVideoWindow>& facet) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<IBasicAudio>& facet) = 0;

    // Adds a filter under a name. A name already taken is made unique ("Name 0001") and the call
    // answers VFW_S_DUPLICATE_NAME.
    virtual HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter, const std::string& name) = 0;
    virtual HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) = 0;
    virtual HRESULT EnumFilters(std::shared_ptr<IEnumFilters>& filters) = 0;

    // Joins an output pin to an input pin, putting converters between them where they are needed.
    virtual HRESULT Connect(const std::shared_ptr<IPin>& output, const std::shared_ptr<IPin>& input) = 0;
    // Builds everything downstream of an output pin. Free input pins of filters already in the graph
    // are used before new renderers are added, so a renderer placed in the graph beforehand takes the
    // streams it accepts and the standard renderers take the rest.
    virtual HRESULT Render(const std::shared_ptr<IPin>& output) = 0;
    // Builds a complete playback graph for a file with the standard renderers, named "Video Renderer"
    // and "Default DirectSound Device".
    virtual HRESULT RenderFile(const std::string& path) = 0;
    // Adds a source filter for the file under the given name.
    virtual HRESULT AddSourceFilter(const std::string& path, const std::string& name,
                                    std::shared_ptr<IBaseFilter>& filter) = 0;
};
