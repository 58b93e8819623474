// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <chrono>

// Keeps the window drawn and answering the window manager while the playback graph waits for its
// pipeline: a file on a network share or a disk spinning up can take seconds to open or to seek in.
// Meanwhile only painting, the window system's own messages and assistive technologies' questions get
// through. Everything that could reach a handler waits until the graph is done and is then taken in
// the order it came: user input stays in the window system's queue, timers and socket notifiers (the
// session's signals among them) fire afterwards, a handler reached otherwise (a media key over the
// session bus, a drop) is held back by RunHandler, and a close of the window is made again.
//
// Made once, for the program's window; the graph's waits call it through SetWhileGraphWaits.
class GraphWaitPump : public QObject {
public:
    explicit GraphWaitPump(QWidget& window);
    ~GraphWaitPump() override;
    GraphWaitPump(const GraphWaitPump&) = delete;
    GraphWaitPump& operator=(const GraphWaitPump&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Begins();
    void GoesOn();
    void Ends();

    QPointer<QWidget> window_;
    int depth_ = 0;
    std::chrono::steady_clock::time_point began_;
    bool pumping_ = false;
};
