// SPDX-License-Identifier: GPL-2.0-or-later
#include "graph/GraphStatus.h"
#include "graph/gst/GstGraphSystem.h"
#include "gstcommon/GstHandles.h"

std::vector<SoundOutput> GstGraphSystem::ListSoundOutputs() {
    std::vector<SoundOutput> outputs;
    if (Failed(Initialize())) {
        return outputs;
    }
    const GstRef<GstDeviceMonitor> monitor = Share(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), "Audio/Sink", nullptr);
    // Not started, the monitor asks the server once and lets go.
    const ObjectListRef devices(gst_device_monitor_get_devices(monitor.get()));
    for (GList* item = devices.get(); item; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        // Only the sound server's outputs have a name to send a stream to.
        if (!g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
            continue;
        }
        GStringRef name;
        g_object_get(device, "internal-name", static_cast<gchar**>(OutParam(name)), nullptr);
        const GStringRef description(gst_device_get_display_name(device));
        if (name) {
            outputs.push_back({name.get(), description ? description.get() : name.get()});
        }
    }
    Uninitialize();
    return outputs;
}
