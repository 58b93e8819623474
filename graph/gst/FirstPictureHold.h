// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// The first decoded picture of a build, held back before the computer's video renderer. A build
// needs the picture decoded (it gives the frame size, and proves the stream decodes), but not yet
// converted and shown: a resumed file seeks straight after its build, and its first picture should be
// the one at its place. Held, the picture goes at the first of:
// - a flush (the seek of a resume, or any other): dropped, and the pictures at the new place pass;
// - Release (the graph runs or pauses where it stands, or is built further): let through;
// - the pad stopping (the pipeline taken down): dropped.
// Only the first picture is held; everything after the hold passes untouched.
class FirstPictureHold {
public:
    FirstPictureHold() = default;
    FirstPictureHold(const FirstPictureHold&) = delete;
    FirstPictureHold& operator=(const FirstPictureHold&) = delete;
    ~FirstPictureHold();

    // Holds the first buffer that passes the pad, which feeds the renderer given. Called once per
    // build, on the streaming thread that links the pad.
    // `held` is called, on that thread, once the picture is held.
    void Hold(GstPad* pad, GstElement* renderer, std::function<void()> held);
    // Whether a picture is held now.
    bool Holding();
    // Whether the element is (or is inside) the renderer a picture is held for.
    bool HeldFor(GstElement* element);
    // Lets the held picture, or the first one to come, through.
    void Release();
    // Forgets the last build's hold; a held picture is let through.
    void Reset();

private:
    enum class Mode { Off, Hold, Drop, Pass };
    // Runs on the pad's streaming thread (buffers) and on the thread that flushes it.
    static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer data);

    std::mutex lock_;
    std::condition_variable changed_;
    std::atomic<Mode> mode_{Mode::Off};
    bool held_ = false;
    ElementRef renderer_;
    std::function<void()> onHeld_;
    PadProbe probe_;
};
