// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"
#include "graph/GraphWait.h"
#include "graph/SoundOutputs.h"

#include <memory>
#include <vector>

// What the playback object needs of the media library before there is a graph: bringing the library
// up and down, and making the two objects it creates by kind rather than through a graph.
class IGraphSystem {
public:
    virtual ~IGraphSystem() = default;

    // Brings the library up for the calling thread. A positive status (already up) is success. Each
    // successful call is balanced by one Uninitialize.
    virtual HRESULT Initialize() = 0;
    virtual void Uninitialize() = 0;

    // A new, empty filter graph.
    virtual HRESULT CreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) = 0;
    // A new instance of the output device's renderer filter, not yet in any graph. Its input pins are
    // "Video-In" and "Audio-In". Fails (REGDB_E_CLASSNOTREG) when the device's renderer is not installed.
    virtual HRESULT CreateDeviceRenderer(std::shared_ptr<IBaseFilter>& filter) = 0;
    // The sound server's outputs as it lists them now; none when no server answers.
    virtual std::vector<SoundOutput> ListSoundOutputs() { return {}; }

    // Whom the graphs made here tell of their waits for the pipeline, those made before included;
    // nullptr: a wait only blocks. The listener outlives its being set here.
    virtual void SetWaitListener(GraphWaitListener* listener) = 0;
    // A graph that another system of the same kind made (one built before the window was) is handed
    // to this one's user: from now on its waits tell this system's listener.
    virtual void AdoptGraph(IGraphBuilder& graph) { (void)graph; }
};
