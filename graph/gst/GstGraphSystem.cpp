// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/gst/GstGraphSystem.h"

#include "core/StartupMarks.h"
#include "graph/gst/GstFilter.h"
#include "graph/gst/GstFilterGraph.h"
#include "graph/gst/LibraryPreload.h"
#include "graph/gst/PluginFolder.h"
#include "graph/gst/StandardRenderers.h"
#include "gstcommon/GstHandles.h"

#include <algorithm>
#include <future>
#include <gst/gst.h>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Startup {
    std::mutex lock;
    std::shared_future<bool> done;
    bool wasUpBefore = false;
    std::vector<std::string> problems;
    std::string pluginFolder = PluginFolderBesideExecutable();
    std::future<void> preloaded;
    std::future<void> librariesLoaded;
};

Startup& TheStartup() {
    static Startup startup;
    return startup;
}

bool BringUp() {
    Startup& startup = TheStartup();
    ErrorRef error;
    if (!gst_init_check(nullptr, nullptr, OutParam(error))) {
        return false;
    }
    MarkStartup("gstreamer initialised");
    LoadPluginsFrom(startup.pluginFolder, &startup.problems);
    MarkStartup("own plugins loaded");
    return true;
}

// The one start of GStreamer in this process, begun by whoever comes first.
std::shared_future<bool> BeginStartup(std::launch how) {
    Startup& startup = TheStartup();
    std::lock_guard guard(startup.lock);
    if (!startup.done.valid()) {
        startup.wasUpBefore = gst_is_initialized();
        startup.done = std::async(how, BringUp).share();
    }
    return startup.done;
}

// The plugins every playback loads: the decoders first (every file needs them, and they take
// longest), then what the standard renderers are made of.
std::vector<std::string> PlaybackPluginNames() {
    std::vector<std::string> names{"libav"};
    for (const char* factory : StandardRendererFactories()) {
        if (const auto feature = Adopt(gst_registry_lookup_feature(gst_registry_get(), factory))) {
            if (const gchar* plugin = gst_plugin_feature_get_plugin_name(feature.get())) {
                if (std::find(names.begin(), names.end(), plugin) == names.end()) {
                    names.emplace_back(plugin);
                }
            }
        }
    }
    return names;
}

// What the playback plugins link, loaded a library at a time while the window is built: the plugins
// themselves then load in a few milliseconds once the window has painted.
void LoadPlaybackLibraries(std::shared_future<bool> gstreamerUp) {
    if (!gstreamerUp.get()) {
        return;
    }
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    const std::vector<std::string> folders = LoadedLibraryFolders();
    for (const std::string& name : PlaybackPluginNames()) {
        if (const auto plugin = Adopt(gst_registry_find_plugin(gst_registry_get(), name.c_str()))) {
            if (const gchar* file = gst_plugin_get_filename(plugin.get())) {
                LoadNeededLibrariesLeavesFirst(file, folders);
            }
        }
    }
    MarkStartup("playback libraries preloaded");
}

void LoadPlaybackPlugins() {
    if (!BeginStartup(std::launch::deferred).get()) {
        return;
    }
    for (const std::string& name : PlaybackPluginNames()) {
        // Only the loading is wanted; the registry keeps the plugin.
        const GstRef<GstPlugin> plugin = Adopt(gst_plugin_load_by_name(name.c_str()));
    }
    MarkStartup("playback plugins preloaded");
}

} // namespace

void StartGStreamer(const std::string& pluginFolder) {
    {
        Startup& startup = TheStartup();
        std::lock_guard guard(startup.lock);
        if (!startup.done.valid()) {
            startup.pluginFolder = pluginFolder;
        }
    }
    BeginStartup(std::launch::async);
}

void StartLoadingPlaybackLibraries() {
    std::shared_future<bool> gstreamerUp = BeginStartup(std::launch::deferred);
    Startup& startup = TheStartup();
    std::lock_guard guard(startup.lock);
    if (!startup.librariesLoaded.valid()) {
        startup.librariesLoaded =
            std::async(std::launch::async, LoadPlaybackLibraries, std::move(gstreamerUp));
    }
}

void PreloadPlaybackPlugins() {
    Startup& startup = TheStartup();
    std::lock_guard guard(startup.lock);
    if (!startup.preloaded.valid()) {
        startup.preloaded = std::async(std::launch::async, LoadPlaybackPlugins);
    }
}

GstGraphSystem::GstGraphSystem(std::string deviceFactory) : deviceFactory_(std::move(deviceFactory)) {}

HRESULT GstGraphSystem::Initialize() {
    const bool wasUp = gst_is_initialized();
    if (!BeginStartup(std::launch::deferred).get()) {
        return E_FAIL;
    }
    return wasUp || TheStartup().wasUpBefore ? S_FALSE : S_OK;
}

void GstGraphSystem::Uninitialize() {}

std::vector<std::string> GstGraphSystem::PluginProblems() {
    return TheStartup().problems;
}

HRESULT GstGraphSystem::CreateFilterGraph(std::shared_ptr<IGraphBuilder>& graph) {
    graph.reset();
    if (!gst_is_initialized()) {
        return E_UNEXPECTED;
    }
    auto made = std::make_shared<GstFilterGraph>();
    made->SetWaitListener(waitListener_);
    graph = std::move(made);
    return S_OK;
}

void GstGraphSystem::AdoptGraph(IGraphBuilder& graph) {
    if (auto* made = dynamic_cast<GstFilterGraph*>(&graph)) {
        made->SetWaitListener(waitListener_);
    }
}

HRESULT GstGraphSystem::CreateDeviceRenderer(std::shared_ptr<IBaseFilter>& filter) {
    filter.reset();
    GstElement* element = gst_element_factory_make(deviceFactory_.c_str(), nullptr);
    if (!element) {
        return REGDB_E_CLASSNOTREG;
    }
    filter = std::make_shared<GstFilter>(element);
    return S_OK;
}
