// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphSystem.h"

#include <memory>
#include <string>
#include <vector>

// Starts bringing GStreamer up (gst_init, then the program's own plugins, the output device's among
// them, from the folder given) on a thread of its own and returns at once. Call it at the top of
// main(), before the window is built: the first Initialize() then only waits for what is left.
// Without it, the first Initialize() brings GStreamer up with the plugins beside the executable.
void StartGStreamer(const std::string& pluginFolder);

// Starts loading the plugins every playback needs (the decoders first, then the renderers) on a
// thread of its own, once GStreamer is up, and returns at once. The decoders' plugin links nearly
// two hundred libraries, about 90 ms here in one load, longer than the rest of a graph's build;
// loaded ahead, it is there when the user opens a file. Call it once the window has painted itself:
// while a plugin loads whatever of its libraries StartGStreamer has not loaded yet, every other
// thread that loads a library waits for it, and the window system loads some while it first shows
// and paints the window. Calling it again does nothing.
void PreloadPlaybackPlugins();

// Starts loading the libraries the playback plugins link (not the plugins themselves) on a thread of
// its own at a lower priority, once GStreamer is up, and returns at once. They are loaded one at a
// time, so the window system, loading its own libraries meanwhile, never waits for more than one of
// them; the plugins then load in a few milliseconds. Call it at the top of main(), after
// StartGStreamer. Calling it again does nothing.
void StartLoadingPlaybackLibraries();

// GStreamer as the playback object's media library: the library brought up, new GStreamer filter
// graphs, and the output device's renderer made by its element factory.
class GstGraphSystem : public IGraphSystem {
public:
    // deviceFactory: the element factory of the device's renderer.
    explicit GstGraphSystem(std::string deviceFactory = "halvionrenderer");

    // S_OK when this call brought GStreamer up, S_FALSE when it was up already, E_FAIL when it cannot
    // start. The plugins beside the executable are loaded once per process.
    HRESULT Initialize() override;
    // GStreamer cannot be brought up again in the same process once taken down, so it stays up; the
    // graphs are gone by now.
    void Uninitialize() override;
    HRESULT CreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) override;
    HRESULT CreateDeviceRenderer(std::shared_ptr<IBaseFilter>& filter) override;
    // Asked of the server through GStreamer's device monitor, so nothing beyond GStreamer is needed.
    std::vector<SoundOutput> ListSoundOutputs() override;
    void SetWaitListener(GraphWaitListener* listener) override { *waitListener_ = listener; }
    void AdoptGraph(IGraphBuilder& graph) override;

    // Why plugin files beside the executable were refused, if any were.
    static std::vector<std::string> PluginProblems();

private:
    std::string deviceFactory_;
    // Shared with every graph made here, so that a listener set or cleared later reaches them too.
    std::shared_ptr<GraphWaitListener*> waitListener_ = std::make_shared<GraphWaitListener*>(nullptr);
};
