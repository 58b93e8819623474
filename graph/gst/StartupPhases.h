// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <gst/gst.h>

// The phases of a graph's build and first pictures as start-up marks (core/StartupMarks.h): each kind
// of element as the graph gains it (source, type finder, demuxer, decoders, converter, sinks), the
// type found, what flows through the video decoder and reaches the video sink, and the bus's
// prerolls. Each phase is marked the first time this process reaches it. Does nothing, and adds no
// handler or probe, when the marks are not open.
void WatchStartupPhases(GstElement* pipeline);

// Marks the prerolls and the start of playing that the bus message tells of, if it tells of one.
// Runs on the thread that posted the message.
void MarkStartupMessage(GstMessage* message);
