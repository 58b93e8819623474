// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <chrono>
#include <string>

// A device provider of sound outputs, registered in this process ahead of the real ones, that lists
// nothing until told to announce an output, as a television switched on announces itself. Its outputs
// are named as a sound server's are ("internal-name"), and it has a thread of its own that posts the
// announcement and that stopping the provider joins, as the sound server's provider does.
//
// The announcement can be held where the watcher first reads the output's name, until the provider
// is being stopped: the moment in which the watcher, on the provider's thread, and the one stopping the
// provider meet.
namespace AnnouncingOutputs {

// Registers the provider (once per process); true when it is there.
bool Register();
// Announces an output of this name from the provider's thread. With `holdUntilStop`, the first read
// of its name waits until the provider is being stopped (or 3 s have passed).
void Announce(const std::string& name, bool holdUntilStop);
// Whether the held announcement has reached the read of its name, within the deadline.
bool AnnouncementHeld(std::chrono::milliseconds deadline);

} // namespace AnnouncingOutputs
