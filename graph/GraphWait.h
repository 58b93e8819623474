// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>

// What the user-interface thread does while a graph waits for its pipeline: a build that reads a
// file on a slow disk or a network share, or a seek there, can take seconds. The program keeps its
// window drawn and answering the window manager meanwhile; the graph knows nothing of windows, so it
// only says when a wait begins, goes on and ends. Everything here runs on the user-interface thread.
enum class GraphWaitPhase { Begins, GoesOn, Ends };

// The program's answer to the graph's waits, process-wide; an empty function waits without one.
void SetWhileGraphWaits(std::function<void(GraphWaitPhase)> whileWaiting);

// One wait of a graph: begins when made, ends when it goes. GoesOn() is called every few
// milliseconds while the wait lasts.
class GraphWait {
public:
    GraphWait();
    ~GraphWait();
    GraphWait(const GraphWait&) = delete;
    GraphWait& operator=(const GraphWait&) = delete;

    void GoesOn();
};
