// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"
#include "tests/support/fakegraph/FakeScript.h"

#include <memory>
#include <string>
#include <vector>

class FakeFilter;

// What a media file holds, as far as the fake graph cares.
struct FakeMedia {
    bool Video = true;
    bool Audio = true;
    // The source filter offers one output pin per stream (like a reader of a container format)
    // instead of a single byte-stream pin that a splitter takes apart.
    bool StreamsAtSource = false;
};

// Media types of pins: what an output pin carries, what an input pin accepts.
namespace FakeMediaType {
inline const std::string Stream = "stream";
inline const std::string Video = "video";
inline const std::string Audio = "audio";
inline const std::string CompressedVideo = "video/compressed";
inline const std::string CompressedAudio = "audio/compressed";
} // namespace FakeMediaType

class FakePin : public IPin {
public:
    FakePin(std::shared_ptr<FakeScript> script, const std::shared_ptr<FakeFilter>& owner, std::string id,
            PinDirection direction, std::string mediaType, FakeMedia media);

    HRESULT QueryDirection(PinDirection& direction) override;
    HRESULT ConnectedTo(std::shared_ptr<IPin>& pin) override;

    const std::string& Id() const { return id_; }
    PinDirection Direction() const { return direction_; }
    const std::string& MediaType() const { return mediaType_; }
    const FakeMedia& Media() const { return media_; }
    std::shared_ptr<FakeFilter> Owner() const { return owner_.lock(); }
    std::shared_ptr<FakePin> Peer() const { return peer_.lock(); }
    bool IsConnected() const { return !peer_.expired(); }
    // "Filter name.pin id", for the record of calls and for messages.
    std::string Label() const;

    // Joins two pins, or parts a pin from its peer, without any checks.
    static void Link(const std::shared_ptr<FakePin>& output, const std::shared_ptr<FakePin>& input);
    void Unlink();

private:
    std::shared_ptr<FakeScript> script_;
    std::weak_ptr<FakeFilter> owner_;
    std::string id_;
    PinDirection direction_;
    std::string mediaType_;
    FakeMedia media_;
    std::weak_ptr<FakePin> peer_;
};

class FakeFilter : public IBaseFilter, public std::enable_shared_from_this<FakeFilter> {
public:
    FakeFilter(std::shared_ptr<FakeScript> script, std::string name);

    HRESULT EnumPins(std::shared_ptr<IEnumPins>& pins) override;
    HRESULT FindPin(const std::string& id, std::shared_ptr<IPin>& pin) override;
    HRESULT QueryFilterInfo(FilterInfo& info) override;

    std::shared_ptr<FakePin> AddPin(const std::string& id, PinDirection direction,
                                    const std::string& mediaType, FakeMedia media = {});
    const std::vector<std::shared_ptr<FakePin>>& Pins() const { return pins_; }
    std::shared_ptr<FakePin> Pin(const std::string& id) const;
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // The graph this filter is in, set by the graph when it adds or removes the filter.
    const void* Graph = nullptr;

private:
    std::shared_ptr<FakeScript> script_;
    std::string name_;
    std::vector<std::shared_ptr<FakePin>> pins_;
};
