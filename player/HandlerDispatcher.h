// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphWait.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <chrono>
#include <deque>
#include <functional>
#include <vector>

class QDialog;
class QSocketNotifier;

// What reaches the window's handlers from outside the handler that runs now.
enum class Arrival {
    TimerTick,     // Timer1's 500 ms tick
    Resize,        // Panel4Resize
    ScaleChange,   // the video panel's change of scale (moved to a screen of another scale)
    StillPicture,  // a still picture made again at the video window's new size, after its placement
    MonitorChange, // a monitor came or went, or the window moved onto another one
    UserInput,     // a click, a double-click, a scroll, a command of the toolbar
    Drop,          // a file or folder dropped on the window
    MprisCall,     // a method of the MPRIS interfaces (media keys, panel widgets)
    MprisRead,     // a property of the MPRIS interfaces read by a client
    HandOver,      // a file handed over by another start
    Startup,       // the first showing's FormShow, and the plugin preload after the first paint
    SessionEnd,    // SIGTERM, SIGINT, SIGHUP, or the session manager's request before logout
    WindowClose,   // the window's close button, or the window manager's close
};

// What becomes of an arrival while the window is busy.
enum class WhileBusy {
    Waits,       // queued; runs in its turn once the outermost handler has returned to the event loop
    LatestWaits, // as Waits, but the latest one queued of its kind stands for all before it
    Dropped,     // not run at all
    AnsweredNow, // answered at once: the graph's reads never seek nor wait
    EndsTheRun,  // closes the open boxes, their texts to standard error, and discards the queue
};

struct ArrivalRule {
    Arrival arrival;
    WhileBusy whileBusy;
    // Whether, once it has arrived, nothing that comes after it runs any more.
    bool endsWhatFollows;
    const char* why;
};

// The one table of what happens to an arrival while the window is busy: a graph waits for its pipeline,
// or a modal box is open. When the window is not busy, everything runs at once, in the order it came.
inline constexpr ArrivalRule kArrivalRules[] = {
    {Arrival::TimerTick, WhileBusy::Dropped, false,
     "the next tick comes 500 ms later and reads the same state; an end of file waits for it"},
    {Arrival::Resize, WhileBusy::LatestWaits, false,
     "only the last size counts: the video window is placed once, for the panel as it is then"},
    {Arrival::ScaleChange, WhileBusy::LatestWaits, false, "only the last scale counts"},
    {Arrival::StillPicture, WhileBusy::LatestWaits, false,
     "only the picture at the last size counts; a seek or a run that came first has made it already"},
    {Arrival::MonitorChange, WhileBusy::LatestWaits, false,
     "the device's picture is placed once, for the monitors as they are then"},
    {Arrival::UserInput, WhileBusy::Waits, false,
     "the user's commands keep their order; during a wait they stay in the window system's queue, and "
     "a box blocks the window's input"},
    {Arrival::Drop, WhileBusy::Waits, false, "a dropped file plays once the handler before it is done"},
    {Arrival::MprisCall, WhileBusy::Waits, false,
     "answered at once on the bus; the command runs in its turn, as a click would"},
    {Arrival::MprisRead, WhileBusy::AnsweredNow, false,
     "a client must get its answer; a graph read while it waits answers from where it is going"},
    {Arrival::HandOver, WhileBusy::Waits, false, "the handed file plays in its turn, as a drop does"},
    {Arrival::Startup, WhileBusy::Waits, false,
     "the first showing and the preload come after whatever the first paint's events started"},
    {Arrival::SessionEnd, WhileBusy::EndsTheRun, true,
     "nobody answers a box at logout, and the session kills a program that waits: the box closes, the "
     "handler that opened it goes on, and the close follows"},
    {Arrival::WindowClose, WhileBusy::Waits, true,
     "the close runs after the handlers before it; what came after it has no window left to act on"},
};

const ArrivalRule& RuleFor(Arrival arrival);

// One dispatcher for the window's handlers, owned by the window. It decides whether a handler that
// arrives runs now or later, by one measure: the window is busy while a graph waits for its pipeline
// (a build or a seek on a slow disk, during which the window is kept drawn) and while a modal box is
// open (its own event loop delivers events). What arrives while busy follows kArrivalRules. What waits
// runs only once the outermost handler has returned to the main event loop: never inside a box, even
// one that its own handler opened. (The loop of a box lets every event through; holding handlers until
// the box's handler has returned keeps one from running in the middle of another.)
//
// Catching errors is separate: RunHandler (app/HandlerGuard.h) catches for every handler, the shutdown
// included; only what arrives from outside goes through here.
class HandlerDispatcher : public QObject, public GraphWaitListener {
public:
    explicit HandlerDispatcher(QWidget& window);
    ~HandlerDispatcher() override;
    HandlerDispatcher(const HandlerDispatcher&) = delete;
    HandlerDispatcher& operator=(const HandlerDispatcher&) = delete;

    // Runs the handler now, queues it, or drops it, by the table. A handler must own what it
    // captures: it may run later. The handler of Arrival::SessionEnd closes the window and ends the
    // program; it runs at once when nothing is busy, else once the busy handler has returned.
    void Arrive(Arrival arrival, std::function<void()> handler);
    // Told of each arrival first, whatever becomes of it.
    std::function<void(Arrival)> ArrivalSeen;
    // Queues the handler behind what already waits, by the table, and never runs anything now: for
    // the window's own close, which must not run handlers inside Qt's handling of the close (a queued
    // Next would build a file there, and a close asked for from inside it is answered at once).
    void ArriveAfterQueued(Arrival arrival, std::function<void()> handler);
    // The window has closed: what is queued is discarded, what arrives is dropped, and a graph's
    // wait blocks from now on, with nothing left to draw.
    void WindowClosed();

    bool Busy() const;
    // Whether a graph waits now: the graph must not be asked anything meanwhile.
    bool GraphWaits() const { return waitDepth_ > 0; }
    std::size_t Queued() const { return queue_.size(); }

    // GraphWaitListener: keeps the window drawn while the graph waits.
    void GraphWaitBegins() override;
    void GraphWaitSleeps(int news, std::chrono::steady_clock::time_point until) override;
    void GraphWaitEnds() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Waiting {
        Arrival arrival;
        std::function<void()> handler;
    };

    void EndSession(std::function<void()> close);
    void Run(const std::function<void()>& handler);
    void Enqueue(Arrival arrival, std::function<void()> handler);
    // Asks for a drain from the event loop when nothing is busy and the queue holds something.
    void DrainLater();
    void Drain();
    void CloseOpenBoxes();
    int OpenBoxes() const;

    QPointer<QWidget> window_;
    std::deque<Waiting> queue_;
    std::vector<QPointer<QDialog>> boxes_;
    int waitDepth_ = 0;
    int running_ = 0;
    bool draining_ = false;
    bool drainPosted_ = false;
    // A close has arrived (queued or run): nothing after it runs.
    bool ended_ = false;
    bool closed_ = false;
    bool endingSession_ = false;
    std::chrono::steady_clock::time_point waitBegan_;
    bool pumping_ = false;
    // Socket notifiers put to sleep while the graph waits; woken when the outermost wait ends.
    std::vector<QPointer<QSocketNotifier>> heldNotifiers_;
};
