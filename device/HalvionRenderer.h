// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>

// The output device's renderer: a bin with the always sink pads "Video-In" (raw video) and
// "Audio-In" (raw audio). Video goes to the device's own output window, audio to a sound-server
// device. The sinks behind a pad exist only while the pad is linked, so an input left unlinked
// neither holds back preroll nor the end of the stream.
//
// Properties: "monitor" (int) and "fullscreen" (boolean) place the output window, "audio-device"
// (string, empty for the server's default output) picks the sound output. A new monitor or full
// screen moves a window already shown at once; the sound output takes effect at once too, moving the
// stream that plays. While the chosen output is gone the sound plays on the server's default, and
// returns when an output of that name comes back. The action signal "reopen-audio" makes the sound's
// sink anew, for a sound server that came back or came late. Video whose caps say interlaced is
// deinterlaced inside the element. "video-frames" and "audio-samples" (read-only, uint64) count what
// arrived at the inputs: video buffers, and audio frames (one sample per channel).

G_BEGIN_DECLS

#define HALVION_TYPE_RENDERER (halvion_renderer_get_type())
G_DECLARE_FINAL_TYPE(HalvionRenderer, halvion_renderer, HALVION, RENDERER, GstBin)

// Adds the element factory "halvionrenderer" to the plugin.
gboolean halvion_renderer_register(GstPlugin* plugin);

G_END_DECLS

// The title of the output window and the name the device's sound stream carries on the server.
#define HALVION_OUTPUT_NAME "Morrick Halvion Output"
