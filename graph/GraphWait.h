// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <chrono>
#include <functional>

// What the user-interface thread does while a graph waits for its pipeline: a build that reads a
// file on a slow disk or a network share, or a seek there, can take seconds. The program keeps its
// window drawn and answering the window manager meanwhile; the graph knows nothing of windows, so it
// only tells the listener it was given when a wait begins, sleeps and ends. Everything here runs on
// the user-interface thread.
class GraphWaitListener {
public:
    virtual void GraphWaitBegins() = 0;
    // Sleeps until the descriptor `news` is readable (the graph has something to look at), the window
    // has taken an event, or `until` has come, whichever is first. It may return early: the graph
    // looks at what it waits for after every return.
    virtual void GraphWaitSleeps(int news, std::chrono::steady_clock::time_point until) = 0;
    virtual void GraphWaitEnds() = 0;

protected:
    ~GraphWaitListener() = default;
};

// One wait of a graph: begins when made, ends when it goes. Without a listener it only sleeps on the
// graph's news.
class GraphWait {
public:
    GraphWait(GraphWaitListener* listener, int news);
    ~GraphWait();
    GraphWait(const GraphWait&) = delete;
    GraphWait& operator=(const GraphWait&) = delete;

    void Sleep(std::chrono::steady_clock::time_point until);
    // Whether a graph waits on this thread now: whatever asks a graph meanwhile (a property read
    // that the window answers during the wait) is answered from what the graph already knows.
    static bool Underway();

private:
    GraphWaitListener* listener_;
    int news_;
};

// Waits, the window drawn and answering, until `done` holds or `until` has come; `done` is asked again
// whenever `news` is readable or the window has taken an event. Tells whether it holds. Nothing is
// told to the listener when it holds at once.
bool WaitUntil(GraphWaitListener* listener, int news, const std::function<bool()>& done,
               std::chrono::steady_clock::time_point until);

// Sleeps until the descriptor is readable or `until` has come; tells whether it is readable.
bool SleepOnDescriptor(int descriptor, std::chrono::steady_clock::time_point until);
