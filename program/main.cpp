// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/AfterFirstPaint.h"
#include "app/ErrorBox.h"
#include "app/SessionEnd.h"
#include "app/TApplication.h"
#include "app/WindowSystemChoice.h"
#include "browser/FileSystemWorker.h"
#include "core/StartupMarks.h"
#include "graph/gst/GstGraphSystem.h"
#include "graph/gst/PluginFolder.h"
#include "player/BusNameClaim.h"
#include "player/CommandLine.h"
#include "player/HandlerDispatcher.h"
#include "player/MprisService.h"
#include "player/PlayerSession.h"
#include "player/StartAhead.h"
#include "player/TfrmMain.h"

#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <system_error>

int main(int argc, char** argv) {
    const std::int64_t mainReached = MonotonicNanoseconds();
    // The arguments are read before anything else starts, so that --help and --version answer at
    // once, and where there is no display to open.
    std::error_code unknownFolder;
    const CommandLine commandLine =
        ParseCommandLine({argv + 1, argv + argc}, std::filesystem::current_path(unknownFolder).string());
    if (commandLine.Help || commandLine.Version || !commandLine.Error.empty()) {
        if (!commandLine.Error.empty()) {
            std::fprintf(stderr, "tarnwick: %s\n", commandLine.Error.c_str());
        }
        const bool asked = commandLine.Error.empty();
        std::fputs((commandLine.Version && asked ? VersionText() : UsageText()).c_str(),
                   asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    // The marks are for measuring: a file that cannot be written is said, and the program runs on.
    if (!commandLine.StartupMarks.empty() && !OpenStartupMarks(commandLine.StartupMarks, mainReached)) {
        std::fprintf(stderr, "tarnwick: %s: the start-up marks cannot be written\n",
                     commandLine.StartupMarks.c_str());
    }
    // A decoded full HD picture is 3 MiB. glibc gives a block that large a mapping of its own, but
    // raises that threshold past a block's size each time one is freed, and from then on such blocks
    // come from heaps it seldom gives back: the pictures of a decoder reopened (the threads of a
    // catch-up after a seek) or of the file before stay counted against the program. A fixed
    // threshold keeps every picture in its own mapping, returned when it is freed; the pools that
    // hold pictures reuse them, so few mappings are made.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    // Each streaming thread of a graph would get an arena of its own, and a folder played file after
    // file leaves every arena holed by the graphs before: the program grew from 123 to 160 MiB over
    // sixty short files. One arena reuses the holes; the threads take it seldom enough (pictures,
    // the bulk, are mappings) that they do not queue for it.
    mallopt(M_ARENA_MAX, 1);
    // Before any thread starts, so that every thread leaves the session's signals to the window.
    InstallSessionEndSignals();
    // Before any thread reads the environment, which this may change.
    ChooseWindowSystem(argc, argv);
    // GStreamer comes up, and the decoders' libraries load, on threads of their own while the
    // window is built, so the first picture is not held back by both in turn. The program's own
    // plugins (the output device's renderer) live beside it. A start with a file may only hand it
    // over and end: it first asks for the player's name, on a connection of its own made before the
    // application, and starts them only once it knows it plays, so that a start that hands its file
    // over neither loads some two hundred libraries for nothing nor waits for them to end (several
    // such starts at once, as "Open With" on several files makes, would share the processor with the
    // one that plays), nor makes an application it has no use for. Becoming the session's player is
    // one step with finding none runs, so that files opened together from the desktop meet in one
    // window. A start without a file always plays, under a name of its own beside a player that
    // runs, and starts them at once.
    const bool mayHandOver = !commandLine.Path.empty();
    BusNameClaim claim;
    BusNameClaim::Result claimed = BusNameClaim::Result::NoBus;
    if (mayHandOver) {
        claimed = claim.Claim();
        if (claimed == BusNameClaim::Result::Owner) {
            MarkStartup("player's name claimed");
        } else if (claimed == BusNameClaim::Result::Taken) {
            if (claim.HandOver(commandLine.Path)) {
                MarkStartup("file handed over");
                return 0;
            }
            // Refused or unanswered: this start plays the file itself, beside the player that owns
            // the name.
            claim.Release();
        }
    }
    // A thread cannot start while another loads a library, and the build below loads the decoders'
    // hundred-odd libraries in one go while the window is made: the threads the window's first
    // look-ups (a few at once) and its first paint use are started before.
    file_system_worker::StartThreads(3);
    MarkStartup("gstreamer started");
    StartGStreamer(PluginFolderBesideExecutable());
    // The file this start plays is built while the application and the window are made. Its
    // decoders then load as its type is found; the libraries of every other plugin would only hold
    // them up (the loader takes one library at a time), so they wait until the first picture.
    std::unique_ptr<StartAhead> ahead;
    if (const std::optional<StartPlan> plan = PlanFromSettingsFile(commandLine.Path)) {
        ahead = std::make_unique<StartAhead>(*plan, std::make_shared<GstGraphSystem>());
    } else {
        StartLoadingPlaybackLibraries();
    }
    TApplication::PrepareAttributes();
    // The toolkit takes its own options out of argv, which the command line above stepped over.
    TApplication application(argc, argv);
    MarkStartup("application made");
    if (ahead) {
        TApplication::StartPaintingThreads();
    }
    // The application's connection serves the player's objects, and so owns the name in the end: it
    // takes it over from the claim, or asks for it itself in a start without a file (or one that
    // found no bus before). A start whose file was refused plays beside the player that owns it.
    PlayerSession session;
    if (claimed == BusNameClaim::Result::Owner) {
        session.TakeOver(claim);
    } else if (claimed == BusNameClaim::Result::NoBus) {
        session.Claim();
    }
    // Closing this first window ends the application.
    auto frmMain = std::make_unique<TfrmMain>(std::make_shared<GstGraphSystem>());
    MarkStartup("window built");
    frmMain->BuildAhead(std::move(ahead));
    // Loading a plugin holds up every other thread that loads a library, as the window system
    // does while it first paints the window; the plugins wait until then. A file opened at the first
    // paint (a resume) loads what it needs itself, and the preload run beside its build only held the
    // build up (its type finding waited for the whole preload), so it waits until the build's wait is
    // over, as a handler does.
    RunAfterFirstPaint(*frmMain, [window = frmMain.get()] {
        window->Dispatcher().Arrive(Arrival::Startup, [] {
            MarkStartup("plugin preload started");
            PreloadPlaybackPlugins();
        });
    });
    frmMain->StartPath = commandLine.Path;
    if (!commandLine.NotLocalUri.empty()) {
        frmMain->StartFault = NotLocalUriMessage(commandLine.NotLocalUri);
    }
    // Without a session bus the program runs on without media keys.
    (new MprisService(*frmMain))->Register(session.Owner());
    const SessionEndWatcher sessionEnd([window = frmMain.get()] {
        window->Dispatcher().Arrive(Arrival::SessionEnd, [window] {
            window->close();
            QCoreApplication::quit();
        });
    });
    frmMain->show();
    MarkStartup("window shown");
    session.Attach(*frmMain);
    const int result = TApplication::exec();
    // FormDestroy runs here, while the window and all its controls still exist.
    frmMain.reset();
    // A shutdown at the session's end that could not save says so in its exit status.
    return ErrorWentToStandardError() ? 1 : result;
}
