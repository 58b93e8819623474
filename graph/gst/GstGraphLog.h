// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>

// The graph's own messages in GStreamer's log, under the category "tarnwick" (GST_DEBUG=tarnwick:5),
// beside the pipeline's: what the graph reported as a problem, and why it gave up on a build.
GST_DEBUG_CATEGORY_EXTERN(tarnwick_graph_debug);

// Registers the category; GStreamer must be up. Safe to call any number of times.
void InitGraphLog();
