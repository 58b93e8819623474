// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphInterfaces.h"
#include "graph/VideoPlacement.h"
#include "graph/gst/FirstPictureHold.h"
#include "graph/gst/VideoWindow.h"
#include "gstcommon/GstHandles.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

// What the graph shows of its video: the window the computer's video renderer draws into, the build's
// first picture held back before that renderer, the crop to the part of the picture the owner shows,
// and whether the still picture standing in the window is stale (made at an old window size) or not
// yet drawn. It keeps the picture's own state only: when the picture has to be made again, it asks
// the graph that plays it, through PicturePipeline, for the seek or the wait that makes it.
//
// Threads: used on the user-interface thread, except what a build does from a streaming thread while
// it links the video renderer (SizeWindowAhead, HoldFirstPicture, NoteVideoPad).
class GraphPicture {
public:
    // What the picture asks of the graph that plays it.
    class PicturePipeline {
    public:
        virtual GstElement* Pipeline() const = 0;
        // Whether the graph stands still at its position, with the pipeline settled and no seek on
        // its way: only such a picture is made again.
        virtual bool StandsStillSettled() = 0;
        // A flushing seek to the position, waited for: the picture there is made anew.
        virtual void Reseek() = 0;
        // The wait for the held picture to reach its renderer: what the pipeline posted before it
        // begins belongs to something else.
        virtual void BeginHeldPictureWait() = 0;
        virtual void WaitForHeldPicture() = 0;

    protected:
        ~PicturePipeline() = default;
    };

    explicit GraphPicture(PicturePipeline& pipeline);
    GraphPicture(const GraphPicture&) = delete;
    GraphPicture& operator=(const GraphPicture&) = delete;

    // 0 when there is no X server to make a window on. Read on streaming threads too.
    std::uintptr_t WindowHandle() const { return windowHandle_.load(); }
    HRESULT SetOwner(std::uintptr_t owner);
    // Places the window at the rectangle inside its owner, cropped to what the owner shows, and
    // makes the picture again when that changed its size or crop. Without the computer's own video
    // renderer the window is hidden: the owner shows its own background.
    HRESULT Place(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
    // Takes the window off its owner until it is placed again.
    void HideWindow() { window_.Hide(); }

    // The rule that places the window for the files built from now on.
    void PlaceAhead(VideoPlacementRule rule);
    // Sizes the hidden video window for the decoded stream and hands it to the renderer's sink before
    // the sink negotiates. Runs on a streaming thread.
    void SizeWindowAhead(GstPad* decoded, GstElement* renderer);

    // The decoded video stream whose caps give the frame size: the first one linked counts.
    void NoteVideoPad(GstPad* pad);
    // Forgets the video stream when it belongs to the element, which leaves the graph.
    void ForgetVideoPadOf(GstElement* element);
    // The decoded frame's size; 0 without video.
    std::int32_t FrameWidth() { return FrameDimension("width"); }
    std::int32_t FrameHeight() { return FrameDimension("height"); }

    // The build's first picture (see FirstPictureHold). Held on the streaming thread that links the
    // renderer; `held` is called there once it is.
    void HoldFirstPicture(GstPad* pad, GstElement* renderer, std::function<void()> held) {
        firstPicture_.Hold(pad, renderer, std::move(held));
    }
    bool HoldsFirstPicture() { return firstPicture_.Holding(); }
    bool HoldsFirstPictureFor(GstElement* element) { return firstPicture_.HeldFor(element); }
    // Lets the held picture, or the first one to come, through without waiting for it.
    void ReleaseFirstPicture() { firstPicture_.Release(); }
    // The held picture goes through now, and the graph waits until the renderer has it.
    void LetHeldPictureThrough();
    // The build's picture goes with its pipeline: the hold and the video stream are forgotten.
    void ForgetBuild();

    // The still picture was made at a window size that has changed since.
    bool Stale() const { return stale_; }
    // A still picture left at an old window size is made again at the new one; one the build made
    // at the right size is drawn.
    void RemakeStalePicture();
    void ShowUnshownPicture();
    // A seek's preroll makes the picture at the window's size, and draws it.
    void SeekMakesPicture() {
        stale_ = false;
        pictureUnshown_ = false;
    }
    // Running, the next frame is made at the window's size in any case.
    void Runs() { stale_ = false; }
    // Where in the file the picture the standard video sink holds stands; -1 without one.
    MediaTime ShownTime();

    // The sink pad of the standard video sink in the pipeline, as a new reference; none without one.
    static GstPad* StandardVideoSinkPad(GstElement* pipeline);

private:
    std::int32_t FrameDimension(const char* name);
    // Sets the crop inside the element (a renderer, or the pipeline) to the part of the placed picture
    // that the owner shows, and gives the window rectangle for that part: the placed one where there
    // is no crop. Tells whether the crop changed.
    PixelRect ApplyVisibleCrop(GstElement* within, const PixelRect& placed, gint frameWidth, gint frameHeight,
                               bool& changed);
    void Refresh(bool sizeChanged);

    PicturePipeline& pipeline_;
    VideoWindow window_;
    std::atomic<std::uintptr_t> windowHandle_{0};
    FirstPictureHold firstPicture_;

    // Taken by the streaming thread that links a build's video and by the window's thread.
    std::mutex lock_;
    PadRef videoPad_;
    VideoPlacementRule placeAhead_;

    bool stale_ = false;
    // The build made the still picture at the window's size before the window was placed, and it has
    // not been drawn since: it is drawn when the graph runs or is looked at from where it stands, and
    // never before a seek that comes first, so that no picture from before that seek's place shows.
    std::atomic<bool> pictureUnshown_{false};
};
