// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/fakegraph/FakeGraphSystem.h"

#include "graph/GraphNames.h"

#include <stdexcept>

FakeGraphSystem::FakeGraphSystem()
    : script_(std::make_shared<FakeScript>()), pending_(std::make_shared<FakeGraph>(script_)) {}

HRESULT FakeGraphSystem::Initialize() {
    const HRESULT failure = script_->Enter("Initialize");
    if (Failed(failure)) {
        return failure;
    }
    ++InitializeCount;
    return InitializeSuccess;
}

void FakeGraphSystem::Uninitialize() {
    script_->Enter("Uninitialize");
    --InitializeCount;
}

HRESULT FakeGraphSystem::CreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) {
    graph.reset();
    if (const HRESULT failure = script_->Enter("CreateFilterGraph"); Failed(failure)) {
        return failure;
    }
    if (!pending_) {
        return E_UNEXPECTED;
    }
    handedOut_ = pending_;
    graph = std::move(pending_);
    return S_OK;
}

HRESULT FakeGraphSystem::CreateDeviceRenderer(std::shared_ptr<IBaseFilter>& filter) {
    filter.reset();
    if (const HRESULT failure = script_->Enter("CreateDeviceRenderer"); Failed(failure)) {
        return failure;
    }
    auto device = std::make_shared<FakeFilter>(script_, "");
    device->AddPin(DeviceVideoPinId, PinDirection::Input, FakeMediaType::Video);
    device->AddPin(DeviceAudioPinId, PinDirection::Input, FakeMediaType::Audio);
    filter = device;
    return S_OK;
}

FakeGraph& FakeGraphSystem::Graph() {
    if (pending_) {
        return *pending_;
    }
    const auto graph = handedOut_.lock();
    if (!graph) {
        throw std::logic_error("the fake graph has been released");
    }
    return *graph; // kept alive by whoever it was handed to
}
