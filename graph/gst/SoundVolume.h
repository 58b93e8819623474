// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <atomic>
#include <gst/gst.h>

// The volume the program asked of the standard sound renderer, kept for the graph's life so that it
// holds from file to file. It is the sound server's own volume for the stream (pulsesink's), not a
// scaling of the samples, so the desktop's mixer shows and moves the same value.
class SoundVolume {
public:
    // Sets the volume of every stream inside the renderer (which may be none) and of those it makes
    // later.
    void Set(GstElement* renderer, double volume);
    // The volume of the renderer's stream; without one, the volume last set, or full.
    double Get(GstElement* renderer) const;
    // Makes the renderer's streams take the volume set, once they exist: autoaudiosink makes its
    // sink only when it starts.
    void Follow(GstElement* renderer);

private:
    static void OnElementAdded(GstBin* bin, GstBin* subBin, GstElement* element, gpointer self);

    // Written on the user-interface thread, read on the streaming thread that starts a renderer.
    std::atomic<bool> set_{false};
    std::atomic<double> value_{1.0};
};
