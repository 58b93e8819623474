// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// What the user-interface thread does while a graph waits for its pipeline: a build that reads a
// file on a slow disk or a network share, or a seek there, can take seconds. The program keeps its
// window drawn and answering the window manager meanwhile; the graph knows nothing of windows, so it
// only tells the listener it was given when a wait begins, goes on and ends. Everything here runs on
// the user-interface thread.
class GraphWaitListener {
public:
    virtual void GraphWaitBegins() = 0;
    // Called every few milliseconds while the wait lasts.
    virtual void GraphWaitGoesOn() = 0;
    virtual void GraphWaitEnds() = 0;

protected:
    ~GraphWaitListener() = default;
};

// One wait of a graph: begins when made, ends when it goes. Without a listener it only blocks.
class GraphWait {
public:
    explicit GraphWait(GraphWaitListener* listener);
    ~GraphWait();
    GraphWait(const GraphWait&) = delete;
    GraphWait& operator=(const GraphWait&) = delete;

    void GoesOn();
    // Whether a graph waits on this thread now: whatever asks a graph meanwhile (a property read
    // that the window answers during the wait) is answered from what the graph already knows.
    static bool Underway();

private:
    GraphWaitListener* listener_;
};
