// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Names that the playback object and any graph must agree on.

// The standard renderers that building a graph for a file puts in.
constexpr const char* VideoRendererName = "Video Renderer";
constexpr const char* SoundRendererName = "Default DirectSound Device";

// The output device's renderer filter, the name it is added under and its input pins.
constexpr const char* DeviceRendererName = "Morrick Halvion Renderer Filter";
constexpr const char* DeviceVideoPinId = "Video-In";
constexpr const char* DeviceAudioPinId = "Audio-In";

// The name the source filter of a file is added under when the device renderer takes the streams.
constexpr const char* SourceFilterName = "SOURCE";
