// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <gst/gst.h>
#include <string>

// The sinks at the end of the device's two inputs, each with a reference of the caller's own; empty
// when no such element is installed.

// xvimagesink where the X server has Xv adaptors (it scales in the server), else ximagesink. Neither
// is OpenGL: on machines without a GPU an OpenGL sink renders in software at several times the cost.
ElementRef MakeVideoSink();

// pulsesink on the named sound-server device (empty: the server's default output), announcing
// itself as `clientName`. When no sound server answers, a clock-synchronised fakesink keeps the
// stream flowing in real time and `noServer` is set: a player must not stall for want of sound.
ElementRef MakeAudioSink(const std::string& device, const std::string& clientName, bool& noServer);
