// SPDX-License-Identifier: GPL-2.0-or-later
// The sound server that restarts while a file plays, or comes only after the file was opened: the
// sound comes back by itself, at the place reached, with no error box. Each case has a server of its
// own, so that killing it touches no other test.

#include "gstcommon/GstIteration.h"
#include "tests/gst/GstPlaybackFixture.h"
#include "tests/support/Poll.h"
#include "tests/support/SoundServer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <gst/base/gstbasesink.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct ServerCase {
    const char* name;
    SoundServer::Kind kind;
    // The device's sound (on the device renderer), else the computer's (the standard renderer).
    bool deviceSound;
    // The server is there when the file opens and is then killed and started again; else it comes
    // only once the file plays.
    bool restarts;
};

class SoundServerTest : public GstPlaybackTest, public testing::WithParamInterface<ServerCase> {
protected:
    // Whether the sound of the kind the case is about plays on the server's output, the window's
    // timer asking the graph meanwhile, as it does every half second.
    bool SoundPlays(const SoundServer& server) {
        Position();
        const std::vector<std::string> streams = server.StreamsOn("null");
        return std::any_of(streams.begin(), streams.end(), [](const std::string& application) {
            return (application == "Morrick Halvion Output") == GetParam().deviceSound;
        });
    }
    // The window asks the graph every half second; each answer must come at once, server or none.
    MediaTime Position() {
        const auto asked = Clock::now();
        const MediaTime position = player->GetPosition();
        slowest =
            std::max(slowest, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked));
        return position;
    }
    std::chrono::milliseconds slowest{0};
};

TEST_P(SoundServerTest, TheSoundComesBackWithinTwoSecondsAtThePlaceReached) {
    const ServerCase& given = GetParam();
    SoundServer server(given.kind);
    ASSERT_TRUE(server.Up());
    const SoundServerInUse use(server);
    if (!given.restarts) {
        server.Kill();
    }
    Open(Clip(".mp4", true, true, 320, 240, 10.0), false, given.deviceSound);
    player->Play();
    if (given.restarts) {
        ASSERT_TRUE(WaitFor([&] { return SoundPlays(server); }));
        ASSERT_TRUE(WaitFor([&] { return Position() >= Second; }));
        server.Kill();
        ASSERT_TRUE(WaitFor(
            [&] {
                Position();
                return Graph()->WaitsForSoundServer();
            },
            std::chrono::seconds(3)));
    } else {
        // Without a server the file plays on in silence, as it always did.
        ASSERT_TRUE(WaitFor([&] { return Position() >= Second; }));
    }
    const MediaTime reached = Position();
    // A second without a server: playback waits for it, or plays on in silence where there never was one.
    const auto away = Clock::now();
    WaitFor([&] {
        Position();
        return Clock::now() - away >= std::chrono::seconds(1);
    });
    const MediaTime whileAway = Position();
    std::printf("%s: %.2f s played in the second without a server\n", given.name,
                (whileAway - reached) / 1e7);

    ASSERT_TRUE(server.Start());
    const auto back = Clock::now();
    EXPECT_TRUE(WaitFor([&] { return SoundPlays(server); }, std::chrono::seconds(2)))
        << "no sound 2 s after the server came back";
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - back);
    EXPECT_LE(took, std::chrono::milliseconds(2000));
    const MediaTime resumed = Position();
    std::printf("%s: sound back %lld ms after the server; at %.2f s, reached %.2f s\n", given.name,
                static_cast<long long>(took.count()), resumed / 1e7, reached / 1e7);
    EXPECT_GE(resumed, std::min(reached, whileAway) - Second / 2) << "the place reached was lost";
    // And it plays on from there.
    EXPECT_TRUE(WaitFor([&] { return Position() >= resumed + Second; }));
    EXPECT_TRUE(errors.texts.empty()) << testing::PrintToString(errors.texts);
    EXPECT_LT(slowest, std::chrono::milliseconds(1000)) << "the graph kept the window waiting";
    player.reset();
}

// Who tries to reach a sound server at the address while this lives: a listener in the server's place
// that counts each connection and closes it, as a server that is not ready would.
class ConnectCounter {
public:
    explicit ConnectCounter(const std::string& address) : path_(address.substr(address.find(':') + 1)) {
        ::unlink(path_.c_str());
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un place{};
        place.sun_family = AF_UNIX;
        std::snprintf(place.sun_path, sizeof place.sun_path, "%s", path_.c_str());
        listening_ = ::bind(listener_, reinterpret_cast<sockaddr*>(&place), sizeof place) == 0 &&
                     ::listen(listener_, 16) == 0;
        taker_ = std::thread([this] {
            for (int caller; (caller = ::accept(listener_, nullptr, nullptr)) >= 0;) {
                ++count_;
                ::close(caller);
            }
        });
    }
    ~ConnectCounter() {
        ::shutdown(listener_, SHUT_RDWR);
        taker_.join();
        ::close(listener_);
        ::unlink(path_.c_str());
    }
    bool Listening() const { return listening_; }
    int Count() const { return count_; }

private:
    std::string path_;
    int listener_ = -1;
    bool listening_ = false;
    std::atomic<int> count_{0};
    std::thread taker_;
};

// The flushes that reach a sink of the pipeline: one for each seek sent.
class FlushCounter {
public:
    explicit FlushCounter(GstElement* pipeline) {
        for (const ElementRef& element : CollectAll<GstElement>(gst_bin_iterate_recurse(GST_BIN(pipeline)))) {
            if (GST_IS_BASE_SINK(element.get())) {
                pad_ = Adopt(gst_element_get_static_pad(element.get(), "sink"));
                probe_ = PadProbe(pad_.get(), gst_pad_add_probe(pad_.get(), GST_PAD_PROBE_TYPE_EVENT_FLUSH,
                                                                &FlushCounter::OnFlush, &count_, nullptr));
                return;
            }
        }
    }
    int Count() const { return count_; }

private:
    static GstPadProbeReturn OnFlush(GstPad*, GstPadProbeInfo* info, gpointer count) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_START) {
            ++*static_cast<std::atomic<int>*>(count);
        }
        return GST_PAD_PROBE_OK;
    }
    PadRef pad_;
    std::atomic<int> count_{0};
    PadProbe probe_;
};

// Reads answer from what the graph knows: the window's tick, a skip's look at the place and every MPRIS
// property read, however often they come, neither move a seek on nor try the sound server. The
// window's event loop does both.
TEST_F(GstPlaybackTest, ReadsMakeNoSeekAndNoConnectAttempt) {
    SoundServer server(SoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.Up());
    const SoundServerInUse use(server);
    Open(Clip(".mp4", true, true, 320, 240, 6.0), false, false);
    player->Play();
    ASSERT_TRUE(WaitFor([&] { return player->GetPosition() > Second / 2; }));
    const std::shared_ptr<GstFilterGraph> graph = Graph();
    const auto readFor = [&graph](std::chrono::milliseconds spell) {
        const auto until = std::chrono::steady_clock::now() + spell;
        PollUntil(
            [&] {
                MediaTime current = 0;
                MediaTime stop = 0;
                graph->GetPositions(current, stop);
                graph->ShownPictureTime();
                return std::chrono::steady_clock::now() >= until;
            },
            spell + std::chrono::seconds(1));
    };

    // A seek asked for while running: the pipeline pauses for it, and the seek goes once it has.
    const FlushCounter flushes(graph->Pipeline());
    ASSERT_EQ(graph->SetPositions(3 * Second, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning),
              S_OK);
    const int sent = flushes.Count();
    readFor(std::chrono::milliseconds(1000));
    EXPECT_EQ(flushes.Count(), sent) << "a read sent the seek";
    EXPECT_TRUE(WaitFor([&] { return player->GetPosition() > 3 * Second; })) << "the seek never landed";
    EXPECT_EQ(flushes.Count(), sent + 1);

    // The server goes away: reads note it from the pipeline's messages, and try nothing.
    server.Kill();
    ASSERT_TRUE(PollUntil([&] { return player->GetPosition() >= 0 && graph->WaitsForSoundServer(); },
                          std::chrono::seconds(3)));
    const ConnectCounter attempts(server.Address());
    ASSERT_TRUE(attempts.Listening());
    readFor(std::chrono::milliseconds(1000));
    EXPECT_EQ(attempts.Count(), 0) << "a read tried the sound server";
    EXPECT_TRUE(WaitFor([&] { return attempts.Count() > 0; }, std::chrono::seconds(2)))
        << "the event loop never looked for the server";
    player.reset();
}

// A file that played while the server was away leaves none of that behind: the next file, built once
// the server is back, plays on sinks of its own, and its first seek does not pause it to open them anew
// (waiting on a preroll its held first picture never finishes).
TEST_F(GstPlaybackTest, AFileBuiltAfterTheServerCameBackDoesNotWaitForIt) {
    SoundServer server(SoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.Up());
    const SoundServerInUse use(server);
    server.Kill();
    Open(Clip(".mp4", true, true, 320, 240, 3.0), false, false);
    const std::shared_ptr<GstFilterGraph> graph = Graph();
    ASSERT_TRUE(graph && graph->WaitsForSoundServer());
    std::shared_ptr<IEnumFilters> filters;
    graph->EnumFilters(filters);
    std::vector<std::shared_ptr<IBaseFilter>> all;
    for (std::shared_ptr<IBaseFilter> filter; filters->Next(filter) == S_OK; filter.reset()) {
        all.push_back(filter);
    }
    for (const auto& filter : all) {
        ASSERT_EQ(graph->RemoveFilter(filter), S_OK);
    }

    ASSERT_TRUE(server.Start());
    ASSERT_EQ(graph->RenderFile(Clip(".mp4", true, true, 320, 240, 3.0)), S_OK);
    EXPECT_FALSE(graph->WaitsForSoundServer()) << "the last file's absent server outlived it";
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(graph->SetPositions(0, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning), S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(500));
    player.reset();
}

INSTANTIATE_TEST_SUITE_P(
    Restarts, SoundServerTest,
    testing::Values(ServerCase{"PulseAudioDevice", SoundServer::Kind::PulseAudio, true, true},
                    ServerCase{"PulseAudioComputer", SoundServer::Kind::PulseAudio, false, true},
                    ServerCase{"PipeWireDevice", SoundServer::Kind::PipeWire, true, true},
                    ServerCase{"LatePulseAudioDevice", SoundServer::Kind::PulseAudio, true, false},
                    ServerCase{"LatePulseAudioComputer", SoundServer::Kind::PulseAudio, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
