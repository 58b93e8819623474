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
#include "player/HandlerDispatcher.h"
#include "player/MprisService.h"
#include "player/PlayerSession.h"
#include "player/StartAhead.h"
#include "player/TfrmMain.h"
#include "program/PlayerStart.h"

#include <memory>

// The player: everything a start that plays does once the program knows it plays.
extern "C" int TarnwickRunPlayer(PlayerStart& start) {
    int& argc = start.argc;
    char** argv = start.argv;
    const CommandLine& commandLine = start.commandLine;
    const BusNameClaim::Result claimed = start.claimed;
    if (!commandLine.StartupMarks.empty()) {
        ContinueStartupMarks(commandLine.StartupMarks);
    }
    // Before the threads below start. The bus's thread, which the claim started, does not read the
    // environment, and a signal that lands on it runs the same handler.
    InstallSessionEndSignals();
    ChooseWindowSystem(argc, argv);
    MarkStartup("gstreamer started");
    StartGStreamer(PluginFolderBesideExecutable());
    // The file this start plays is built while the application and the window are made. Its
    // decoders then load as its type is found; the libraries of every other plugin would only hold
    // them up (the loader takes one library at a time), so they wait until the first picture.
    std::unique_ptr<StartAhead> ahead;
    if (const std::optional<StartPlan> plan = PlanFromSettingsFile(commandLine.Path)) {
        // A thread cannot start while another loads a library, and the build loads the decoders'
        // hundred-odd libraries in one go while the window is made: the threads the window's first
        // look-ups (a few at once) use are started before it.
        file_system_worker::StartThreads(3);
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
        session.TakeOver(start.claim);
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
