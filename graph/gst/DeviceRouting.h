// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>
#include <string>

// Where the output device's renderer sends its picture (a monitor, full screen or not) and its sound
// (a sound server output by name): kept for the graph's life, and given to every device renderer the
// graph has or gets. An element is a device renderer by the properties it takes; others are left
// alone. Used on the user-interface thread.
class DeviceRouting {
public:
    // Gives the element the screen and the sound output, when it takes them.
    void Route(GstElement* element) const;
    // Sets the screen, and gives it to the top-level elements of the pipeline.
    void SetScreen(GstElement* pipeline, int monitor, bool fullscreen);
    // Sets the sound output, and gives it to the top-level elements of the pipeline.
    void SetSoundOutput(GstElement* pipeline, const std::string& name);

private:
    void PlaceScreen(GstElement* element) const;
    void SendSound(GstElement* element) const;

    int monitor_ = 0;
    bool fullscreen_ = false;
    std::string soundOutput_;
};
