// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphSystem.h"
#include "tests/support/fakegraph/FakeGraph.h"
#include "tests/support/fakegraph/FakeScript.h"

#include <memory>

// The media library as the fake sees it. It makes one fake graph up front so that a test can set it
// up before the playback object asks for it; once handed out, the graph lives only as long as its
// holders keep it. The device renderer it creates has the input pins "Video-In" (raw video) and
// "Audio-In" (raw audio). Calls are recorded as "Initialize", "Uninitialize", "CreateFilterGraph" and
// "CreateDeviceRenderer", and can be made to fail through the script like any other.
class FakeGraphSystem : public IGraphSystem {
public:
    FakeGraphSystem();

    HRESULT Initialize() override;
    void Uninitialize() override;
    HRESULT CreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) override;
    HRESULT CreateDeviceRenderer(std::shared_ptr<IBaseFilter>& filter) override;
    void SetWaitListener(GraphWaitListener* listener) override { waitListener_ = listener; }
    // Whom a wait the test makes inside a call of the fake's tells, as a real graph's would.
    GraphWaitListener* WaitListener() const { return waitListener_; }

    // The sound server's outputs, as the test sets them.
    std::vector<SoundOutput> ListSoundOutputs() override { return SoundOutputs; }
    std::vector<SoundOutput> SoundOutputs;

    FakeScript& Script() { return *script_; }
    // The graph, while it is alive.
    FakeGraph& Graph();
    bool GraphAlive() const { return !handedOut_.expired() || pending_; }

    // What a successful Initialize answers: S_FALSE stands for "already initialised on this thread".
    HRESULT InitializeSuccess = S_OK;
    int InitializeCount = 0;

private:
    std::shared_ptr<FakeScript> script_;
    std::shared_ptr<FakeGraph> pending_;
    std::weak_ptr<FakeGraph> handedOut_;
    GraphWaitListener* waitListener_ = nullptr;
};
