// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"
#include "gstcommon/GstHandles.h"

#include <memory>
#include <string>
#include <vector>

// A filter is a top-level element of the pipeline, a pin one of its pads. The wrappers hold their
// own reference, so a filter that leaves the graph stays a valid (if idle) object for its holders.

class GstFilter : public IBaseFilter {
public:
    explicit GstFilter(GstElement* element);

    HRESULT EnumPins(std::shared_ptr<IEnumPins>& pins) override;
    HRESULT FindPin(const std::string& id, std::shared_ptr<IPin>& pin) override;
    // The element's name; empty while it is in no graph, as a filter's name is before it is added.
    HRESULT QueryFilterInfo(FilterInfo& info) override;

    GstElement* Element() const { return element_.get(); }

private:
    ElementRef element_;
};

class GstPin : public IPin {
public:
    explicit GstPin(GstPad* pad);

    HRESULT QueryDirection(PinDirection& direction) override;
    HRESULT ConnectedTo(std::shared_ptr<IPin>& pin) override;

    GstPad* Pad() const { return pad_.get(); }

private:
    PadRef pad_;
};

// The pads an element had when its pins were asked for.
class GstEnumPins : public IEnumPins {
public:
    explicit GstEnumPins(GstElement* element);

    HRESULT Next(std::shared_ptr<IPin>& pin) override;
    HRESULT Reset() override;

private:
    std::vector<std::shared_ptr<IPin>> pins_;
    std::size_t next_ = 0;
};

// The top-level elements of a bin, in the order they were added. The bin's children cookie changes
// with every element added or removed; an enumerator that sees it changed answers out of sync until
// it is reset.
class GstEnumFilters : public IEnumFilters {
public:
    explicit GstEnumFilters(GstBin* bin);

    HRESULT Next(std::shared_ptr<IBaseFilter>& filter) override;
    HRESULT Skip(std::uint32_t count) override;
    HRESULT Reset() override;

private:
    bool InSync() const;

    GstRef<GstBin> bin_;
    guint32 cookie_ = 0;
    std::vector<std::shared_ptr<IBaseFilter>> filters_;
    std::size_t next_ = 0;
};

// An element's or a pad's name, empty when it has none.
inline std::string ObjectName(GstObject* object) {
    const GStringRef name(gst_object_get_name(object));
    return name ? name.get() : "";
}

// The top-level elements of a bin in the order they were added (the bin keeps them newest first),
// and the bin's children cookie that goes with that list.
std::vector<ElementRef> ChildrenInOrder(GstBin* bin, guint32* cookie = nullptr);
