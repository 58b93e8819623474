// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/DeviceScreenOutput.h"
#include "graph/GraphInterfaces.h"
#include "graph/GraphWait.h"
#include "graph/PositionAhead.h"
#include "graph/SoundOutputs.h"
#include "graph/VideoPlacement.h"
#include "graph/gst/DeviceRouting.h"
#include "graph/gst/GraphLinker.h"
#include "graph/gst/GraphPicture.h"
#include "graph/gst/PipelineHost.h"
#include "graph/gst/PositionModel.h"
#include "graph/gst/ProgramStreamSeeks.h"
#include "graph/gst/SoundVolume.h"
#include "graph/gst/StandardRenderers.h"
#include "graph/gst/TransportState.h"
#include "gstcommon/GstHandles.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The filter graph on a GStreamer pipeline. The pipeline's top-level elements are the filters and
// their pads the pins. Building calls (RenderFile, Render, Connect, and RemoveFilter of a filter that
// data flows through) return when the pipeline has prerolled again, or failed, within a deadline.
//
// Its jobs live in files named after them: the filters and their names here (GstFilterGraph.cpp),
// the building calls (GstGraphLinking.cpp), the bus's messages and prerolling (GstGraphBus.cpp),
// running and the positions (GstGraphControl.cpp), seeking (GstGraphSeeks.cpp), and the sound server
// that comes back (SoundServerReturn.cpp). Parts of their own, which the graph holds and delegates
// to: the pipeline, its bus and the seek watch, made and let go of by generation (PipelineHost),
// linking decoded streams as they come and parking those nobody takes (GraphLinker), what the graph
// shows of its video: the window, the crop, the held first picture and a stale one (GraphPicture),
// where the device's renderer sends picture and sound (DeviceRouting), and where playback stands
// (PositionModel).
//
// States: stopped is PAUSED with a mark (READY would tear down the decoders' pads), paused is PAUSED,
// running is PLAYING. Which of them the graph is in, what it waits for and the seek on its way are
// kept in TransportState; the pipeline's own state is not read back for them. A build's first picture
// for the computer's video renderer is decoded and held back (FirstPictureHold): the pipeline stays
// on its way to PAUSED until a seek makes the picture at its place, or a run or pause lets the held
// one through.
//
// Threads: every call comes from the user-interface thread. pad-added and the bus's sync handler run
// on streaming threads; they touch only GStreamer and the bookkeeping under `lock_`. A pipeline that
// does not stop in time (a read that never returns) is cut off from the graph and left to a thread of
// its own; the graph carries on with a new pipeline (PipelineHost).
class GstFilterGraph : public IGraphBuilder,
                       public IMediaControl,
                       public IMediaSeeking,
                       public IBasicVideo,
                       public IVideoWindow,
                       public IBasicAudio,
                       public IVideoPlacementAhead,
                       public IPositionAhead,
                       public IDeviceSoundOutput,
                       public IDeviceScreenOutput,
                       public std::enable_shared_from_this<GstFilterGraph>,
                       private GraphPicture::PicturePipeline,
                       private GraphLinker::LinkedGraph,
                       private PipelineHost::Tenant {
public:
    GstFilterGraph();
    ~GstFilterGraph() override;
    GstFilterGraph(const GstFilterGraph&) = delete;
    GstFilterGraph& operator=(const GstFilterGraph&) = delete;

    // IGraphBuilder
    HRESULT QueryInterface(std::shared_ptr<IMediaControl>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IMediaSeeking>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IBasicVideo>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IVideoWindow>& facet) override;
    HRESULT QueryInterface(std::shared_ptr<IBasicAudio>& facet) override;
    HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter, const std::string& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override;
    HRESULT EnumFilters(std::shared_ptr<IEnumFilters>& filters) override;
    HRESULT Connect(const std::shared_ptr<IPin>& output, const std::shared_ptr<IPin>& input) override;
    HRESULT Render(const std::shared_ptr<IPin>& output) override;
    HRESULT RenderFile(const std::string& path) override;
    HRESULT AddSourceFilter(const std::string& path, const std::string& name,
                            std::shared_ptr<IBaseFilter>& filter) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    // IMediaSeeking
    HRESULT SetTimeFormat(TimeFormat format) override;
    HRESULT GetPositions(MediaTime& current, MediaTime& stop) override;
    HRESULT GetStopPosition(MediaTime& stop) override;
    HRESULT SetPositions(MediaTime current, std::uint32_t currentFlags, MediaTime stop,
                         std::uint32_t stopFlags) override;

    // IBasicVideo: the decoded frame's size; 0 x 0 when the graph carries no video.
    HRESULT get_SourceWidth(std::int32_t& width) override;
    HRESULT get_SourceHeight(std::int32_t& height) override;

    // IVideoWindow
    HRESULT put_Owner(WindowHandle owner) override;
    HRESULT put_WindowStyle(std::int32_t style) override;
    HRESULT SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                              std::int32_t height) override;
    HRESULT RemakeStillPicture() override;

    // IBasicAudio
    HRESULT put_Volume(double volume) override;
    HRESULT get_Volume(double& volume) override;

    // For tools and tests: the pipeline, what reached the standard renderers, the video window, and
    // the texts of the most recent errors and warnings the pipeline reported, oldest first.
    GstElement* Pipeline() const override { return host_.Pipeline(); }
    // The pipeline's generation: each pipeline made, the graph's first and each one that replaces a
    // pipeline let go, counts one up.
    std::uint64_t PipelineGeneration() const { return host_.Generation(); }
    // IVideoPlacementAhead
    void PlaceAhead(VideoPlacementRule rule) override;

    // IPositionAhead
    void PositionAhead(MediaTime position) override;

    // IDeviceScreenOutput
    void SetDeviceScreen(int monitor, bool fullscreen) override;

    // IDeviceSoundOutput
    void SetDeviceSoundOutput(const std::string& name) override;
    // Whether the sound server went away (or was not there when the sinks opened) and the graph waits
    // for it to come back.
    bool WaitsForSoundServer() const { return soundAway_; }

    const RenderCounters& Counters() const { return counters_; }
    WindowHandle VideoWindowHandle() const { return picture_.WindowHandle(); }
    std::vector<std::string> Problems();
    bool Stopped() const { return !transport_.Started(); }

    // How long a build or a seek may take before it counts as failed. A demuxer that fails while
    // decodebin is still trying it out can have its error swallowed (seen with qtdemux on an MP4 cut
    // before its index), and then only the deadline ends the build. A good file prerolls in well
    // under a second, but on a heavily loaded machine opening a device window and a sound stream can
    // take seconds; the limit leaves room for that.
    std::chrono::milliseconds BuildDeadline{8000};
    std::chrono::milliseconds SeekDeadline{5000};
    // How long taking the pipeline or a filter down may keep the window waiting. A healthy pipeline
    // stops in milliseconds; one whose streaming thread is caught in a read that does not return is
    // handed to the thread stopping it, and the graph goes on with a fresh, empty pipeline.
    std::chrono::milliseconds StopPatience{2000};
    // How many of the pipeline's problems are kept: the most recent ones.
    static constexpr std::size_t KeptProblems = 64;

    // Where in the file the picture the standard video sink holds stands; -1 without one, and while a
    // seek is on its way.
    MediaTime ShownPictureTime();

    // Whom the waits for the pipeline tell (see graph/GraphWait.h); the slot is the graph system's.
    void SetWaitListener(std::shared_ptr<GraphWaitListener*> listener) {
        waitListener_ = std::move(listener);
    }

private:
    GraphWaitListener* WaitListener() const override { return waitListener_ ? *waitListener_ : nullptr; }
    std::shared_ptr<GraphWaitListener*> waitListener_;

    // Bus messages, taken on the user-interface thread: one switch, one function per kind. A read of
    // the graph takes them only to note what they tell (`moveOn` false): it never moves a seek on.
    void HandleMessage(const PipelineBus::Posted& posted, bool moveOn = true);
    void OnError(GstMessage* message, std::uint64_t serial);
    void OnWarning(GstMessage* message);
    void OnEndOfStream(std::uint64_t serial);
    // Whether every sink of the pipeline has taken the end of its stream since its last flush.
    bool SinksStandAtTheirEnd();
    void TakeHeldBackEnd();
    gint64 FollowTheEnd();
    void OnAsyncDone(std::uint64_t serial);
    // Begins a wait for the pipeline to settle (see TransportState).
    void AwaitSettle(TransportState::Awaited awaited);
    void DrainMessages(bool moveOn = true);
    void AddProblem(std::string text);
    // Writes the pipeline as a dot graph when GST_DEBUG_DUMP_DOT_DIR asks for it.
    void DumpPipeline(const char* why);
    // Takes the bus's messages one by one until `done` holds, sleeping between them until the next
    // one comes (the window meanwhile takes its events, see graph/GraphWait.h); false when the
    // deadline came first. Messages that come after `done` holds stay queued.
    bool WaitOnBus(std::chrono::milliseconds deadline, const std::function<bool()>& done);
    // Whether the pipeline has no change of state under way.
    bool StateSettled() const;
    // Waits for ASYNC_DONE; false on an error or the deadline. A build may also end with its first
    // picture held and every other sink prerolled.
    bool WaitForAsyncDone(std::chrono::milliseconds deadline, TransportState::Awaited awaited,
                          bool heldPictureEnds = false);
    bool PrerolledBehindHeldPicture();
    // Sets PAUSED and waits for the preroll; on failure the pipeline goes to NULL.
    HRESULT Preroll();
    // A flushing, accurate seek to the position, waited for when a sink can preroll.
    void Reseek() override;
    // Seeks in flight (GstGraphSeeks.cpp). StartSeek and SendSeek tell whether the pipeline took it.
    bool StartSeek();
    // A seek whose preroll is not waited for lands as soon as it is sent.
    enum class SeekWait { Preroll, None };
    bool SendSeek(SeekWait wait = SeekWait::Preroll);
    // Moves the seek in flight on at each message: sent once the pipeline has paused for it, landed
    // once it has prerolled or failed.
    void FollowSeek(GstMessage* message);
    // Moves the seek in flight on as far as the pipeline now allows, whoever took the messages that
    // told of it (a read only notes them).
    void MoveSeekOn();
    void TakeSeekStep(TransportState::SeekStep step);
    void SeekLanded();
    // Waits until no seek is in flight; false on an error or the deadline.
    bool FinishSeeks();
    // The sound server: a sink that lost it, or a stand-in that plays in its place, is noted; once the
    // server answers again the sinks are opened anew and playback goes on from where it stood.
    // Tells whether the message was the sound server's absence.
    bool NoteSoundServerAway(GstMessage* message, const GError* problem);
    // Looks for the server on the window's event loop while it is away (SoundServerReturn.cpp).
    void WatchForSoundServer();
    void StopWatchingForSoundServer();
    static gboolean OnSoundServerCheck(gpointer self);
    void BringSoundBack();
    void ReopenSoundSinks();
    // Waits, within the deadline, until no state change of the pipeline is under way.
    void SettleWithin(std::chrono::milliseconds deadline);
    // Asks the pipeline for the file's length (also when it posts that the length changed).
    void ReadDuration();

    // Takes the element (the pipeline or one of its filters) to NULL within StopPatience; false when
    // it did not stop and the graph now holds a fresh, empty pipeline (see PipelineHost).
    bool StopWithin(GstElement* element) { return host_.StopWithin(element, StopPatience); }
    // Whether the file can be read as a whole file, asked on a thread of its own: on a sleeping share
    // the open waits for the server. A file whose open has not returned within the build's deadline
    // cannot be rendered.
    HRESULT CheckReadableFileWithin(const std::string& path);

    // Building.
    HRESULT Decode(GstPad* output, bool useFiltersInGraph);
    // Adds an element under a name unique among the top-level elements ("Name 0001" when taken), and
    // tells whether it had to be renamed. Caller holds lock_.
    bool AddUnique(const ElementRef& element, const std::string& name, bool* renamed);
    bool Holds(GstElement* element) const;
    bool PipelineUp() const { return transport_.PipelineUp(); }
    bool Empty() const;
    void EmptyGraphReset();

    // What the linker asks of the graph (GraphLinker::LinkedGraph); on streaming threads too.
    CapturedPipeline PipelineHolding(GstElement* element) override;
    bool WhileCurrent(std::uint64_t generation, const std::function<bool()>& work) override;
    bool AddUnique(const ElementRef& element, const std::string& name) override {
        return AddUnique(element, name, nullptr);
    }
    void HoldFirstPicture(GstPad* pad, GstElement* renderer) override;

    // The positions, without making a still picture again.
    HRESULT ReadPositions(MediaTime& current, MediaTime& stop);
    HRESULT StartEmpty(TransportState::Mode wanted);

    // What the picture asks of the graph (GraphPicture::PicturePipeline).
    bool StandsStillSettled() override;
    void BeginHeldPictureWait() override;
    void WaitForHeldPicture() override;

    // What the pipeline's host asks of the graph (PipelineHost::Tenant).
    std::uintptr_t WindowFor(GstObject* sink) override;
    void TakeNews() override;
    void LettingPipelineGo() override;
    void PipelineMade() override;

    RenderCounters counters_;
    SoundVolume volume_;
    // Outlives the pipeline, whose video sink draws into its window.
    GraphPicture picture_{*this};

    // Taken by the linker, on streaming threads, to find whether the pipeline it links into is still
    // the graph's, and for the graph's own bookkeeping; never while calling into an element the graph
    // does not own. The pipeline is let go and replaced under it.
    std::mutex lock_;
    // The pipeline, its bus and the seek watch; making them and letting them go.
    PipelineHost host_{*this, lock_};
    GraphLinker linker_{*this, counters_, volume_, picture_};
    ProgramStreamSeeks programStreams_;

    // What the program asked for, the wait for the pipeline, and the seek on its way.
    TransportState transport_;
    PositionModel position_;
    std::vector<std::string> problems_;

    DeviceRouting deviceRouting_;

    bool soundAway_ = false;
    bool standInsPlay_ = false;
    // The event loop's look for the server while it is away, and the check on its way: a connect
    // attempt, made on a thread of its own, whose answer a later look takes.
    GSource* soundCheck_ = nullptr;
    std::future<bool> serverAnswers_;
    std::chrono::steady_clock::time_point nextServerCheck_{};
};
