// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/GstFilter.h"

#include "gstcommon/GstIteration.h"

#include <algorithm>

GstFilter::GstFilter(GstElement* element) : element_(Share(element)) {}

HRESULT GstFilter::EnumPins(std::shared_ptr<IEnumPins>& pins) {
    pins = std::make_shared<GstEnumPins>(element_.get());
    return S_OK;
}

HRESULT GstFilter::FindPin(const std::string& id, std::shared_ptr<IPin>& pin) {
    pin.reset();
    PadRef pad = Adopt(gst_element_get_static_pad(element_.get(), id.c_str()));
    if (!pad) {
        return VFW_E_NOT_FOUND;
    }
    pin = std::make_shared<GstPin>(pad.get());
    return S_OK;
}

HRESULT GstFilter::QueryFilterInfo(FilterInfo& info) {
    GstRef<GstObject> parent = Adopt(gst_object_get_parent(GST_OBJECT(element_.get())));
    if (!parent) {
        info.Name.clear();
        return S_OK;
    }
    info.Name = ObjectName(GST_OBJECT(element_.get()));
    return S_OK;
}

GstPin::GstPin(GstPad* pad) : pad_(Share(pad)) {}

HRESULT GstPin::QueryDirection(PinDirection& direction) {
    direction = GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SRC ? PinDirection::Output : PinDirection::Input;
    return S_OK;
}

HRESULT GstPin::ConnectedTo(std::shared_ptr<IPin>& pin) {
    pin.reset();
    PadRef peer = Adopt(gst_pad_get_peer(pad_.get()));
    if (!peer) {
        return VFW_E_NOT_CONNECTED;
    }
    // A pad inside a bin is reached through the bin's ghost pad: the pin is the ghost pad that owns
    // the proxy, so callers see filters of the graph, never their insides.
    if (GST_IS_PROXY_PAD(peer.get()) && !GST_IS_GHOST_PAD(peer.get())) {
        PadRef ghost = Adopt(GST_PAD(gst_proxy_pad_get_internal(GST_PROXY_PAD(peer.get()))));
        if (ghost && GST_IS_GHOST_PAD(ghost.get())) {
            peer = std::move(ghost);
        }
    }
    pin = std::make_shared<GstPin>(peer.get());
    return S_OK;
}

GstEnumPins::GstEnumPins(GstElement* element) {
    for (const PadRef& pad : CollectAll<GstPad>(gst_element_iterate_pads(element))) {
        pins_.push_back(std::make_shared<GstPin>(pad.get()));
    }
}

HRESULT GstEnumPins::Next(std::shared_ptr<IPin>& pin) {
    pin.reset();
    if (next_ >= pins_.size()) {
        return S_FALSE;
    }
    pin = pins_[next_++];
    return S_OK;
}

HRESULT GstEnumPins::Reset() {
    next_ = 0;
    return S_OK;
}

std::vector<ElementRef> ChildrenInOrder(GstBin* bin, guint32* cookie) {
    std::vector<ElementRef> children;
    GST_OBJECT_LOCK(bin);
    if (cookie) {
        *cookie = bin->children_cookie;
    }
    for (GList* child = bin->children; child; child = child->next) {
        children.push_back(Share(GST_ELEMENT(child->data)));
    }
    GST_OBJECT_UNLOCK(bin);
    std::reverse(children.begin(), children.end());
    return children;
}

GstEnumFilters::GstEnumFilters(GstBin* bin) : bin_(Share(bin)) {
    Reset();
}

bool GstEnumFilters::InSync() const {
    GST_OBJECT_LOCK(bin_.get());
    const bool same = bin_->children_cookie == cookie_;
    GST_OBJECT_UNLOCK(bin_.get());
    return same;
}

HRESULT GstEnumFilters::Next(std::shared_ptr<IBaseFilter>& filter) {
    filter.reset();
    if (!InSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    if (next_ >= filters_.size()) {
        return S_FALSE;
    }
    filter = filters_[next_++];
    return S_OK;
}

HRESULT GstEnumFilters::Skip(std::uint32_t count) {
    if (!InSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    const std::size_t left = filters_.size() - next_;
    next_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
}

HRESULT GstEnumFilters::Reset() {
    filters_.clear();
    for (const ElementRef& child : ChildrenInOrder(bin_.get(), &cookie_)) {
        filters_.push_back(std::make_shared<GstFilter>(child.get()));
    }
    next_ = 0;
    return S_OK;
}
