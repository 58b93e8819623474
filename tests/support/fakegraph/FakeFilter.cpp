// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/fakegraph/FakeFilter.h"

#include <utility>

namespace {

// Pins handed out one at a time from the list the filter had when it was asked.
class FakeEnumPins : public IEnumPins {
public:
    FakeEnumPins(std::shared_ptr<FakeScript> script, std::vector<std::shared_ptr<FakePin>> pins)
        : script_(std::move(script)), pins_(std::move(pins)) {}

    HRESULT Next(std::shared_ptr<IPin>& pin) override {
        pin.reset();
        if (const HRESULT failure = script_->Enter("EnumPins.Next"); Failed(failure)) {
            return failure;
        }
        if (next_ >= pins_.size()) {
            return S_FALSE;
        }
        pin = pins_[next_++];
        return S_OK;
    }
    HRESULT Reset() override {
        if (const HRESULT failure = script_->Enter("EnumPins.Reset"); Failed(failure)) {
            return failure;
        }
        next_ = 0;
        return S_OK;
    }

private:
    std::shared_ptr<FakeScript> script_;
    std::vector<std::shared_ptr<FakePin>> pins_;
    std::size_t next_ = 0;
};

} // namespace

FakePin::FakePin(std::shared_ptr<FakeScript> script, const std::shared_ptr<FakeFilter>& owner, std::string id,
                 PinDirection direction, std::string mediaType, FakeMedia media)
    : script_(std::move(script)), owner_(owner), id_(std::move(id)), direction_(direction),
      mediaType_(std::move(mediaType)), media_(media) {}

std::string FakePin::Label() const {
    const auto owner = Owner();
    return (owner ? owner->Name() : std::string("(gone)")) + "." + id_;
}

HRESULT FakePin::QueryDirection(PinDirection& direction) {
    if (const HRESULT failure = script_->Enter("QueryDirection", Label()); Failed(failure)) {
        return failure;
    }
    direction = direction_;
    return S_OK;
}

HRESULT FakePin::ConnectedTo(std::shared_ptr<IPin>& pin) {
    pin.reset();
    if (const HRESULT failure = script_->Enter("ConnectedTo", Label()); Failed(failure)) {
        return failure;
    }
    pin = Peer();
    return pin ? S_OK : VFW_E_NOT_CONNECTED;
}

void FakePin::Link(const std::shared_ptr<FakePin>& output, const std::shared_ptr<FakePin>& input) {
    output->peer_ = input;
    input->peer_ = output;
}

void FakePin::Unlink() {
    if (const auto peer = Peer()) {
        peer->peer_.reset();
    }
    peer_.reset();
}

FakeFilter::FakeFilter(std::shared_ptr<FakeScript> script, std::string name)
    : script_(std::move(script)), name_(std::move(name)) {}

HRESULT FakeFilter::EnumPins(std::shared_ptr<IEnumPins>& pins) {
    pins.reset();
    if (const HRESULT failure = script_->Enter("EnumPins", name_); Failed(failure)) {
        return failure;
    }
    pins = std::make_shared<FakeEnumPins>(script_, pins_);
    return S_OK;
}

HRESULT FakeFilter::FindPin(const std::string& id, std::shared_ptr<IPin>& pin) {
    pin.reset();
    if (const HRESULT failure = script_->Enter("FindPin", name_ + "." + id); Failed(failure)) {
        return failure;
    }
    pin = Pin(id);
    return pin ? S_OK : VFW_E_NOT_FOUND;
}

HRESULT FakeFilter::QueryFilterInfo(FilterInfo& info) {
    if (const HRESULT failure = script_->Enter("QueryFilterInfo", name_); Failed(failure)) {
        return failure;
    }
    info.Name = name_;
    return S_OK;
}

std::shared_ptr<FakePin> FakeFilter::AddPin(const std::string& id, PinDirection direction,
                                            const std::string& mediaType, FakeMedia media) {
    pins_.push_back(std::make_shared<FakePin>(script_, shared_from_this(), id, direction, mediaType, media));
    return pins_.back();
}

std::shared_ptr<FakePin> FakeFilter::Pin(const std::string& id) const {
    for (const auto& pin : pins_) {
        if (pin->Id() == id) {
            return pin;
        }
    }
    return nullptr;
}
