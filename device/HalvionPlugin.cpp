// SPDX-License-Identifier: GPL-2.0-or-later
// The plugin file of the output device. Its name must stay "halvion": GStreamer accepts the file
// only as libgsthalvion.so, the name it derives the entry point from.

#include "device/HalvionRenderer.h"

#define PACKAGE "tarnwick"

namespace {

gboolean InitPlugin(GstPlugin* plugin) {
    return halvion_renderer_register(plugin);
}

} // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, halvion, "Morrick Halvion output device", InitPlugin,
                  TARNWICK_VERSION, "GPL", "Tarnwick", "https://tarnwick.invalid/")
