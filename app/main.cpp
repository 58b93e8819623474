#include "app/AfterFirstPaint.h"
#include "app/ErrorBox.h"
#include "app/GraphWaitPump.h"
#include "app/SessionEnd.h"
#include "app/TApplication.h"
#include "app/TfrmMain.h"
#include "app/WindowSystemChoice.h"
#include "graph/gst/GstGraphSystem.h"
#include "graph/gst/PluginFolder.h"
#include "player/CommandLine.h"
#include "player/MprisHandOver.h"
#include "player/MprisService.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

int main(int argc, char** argv) {
    // Before any thread starts, so that every thread leaves the session's signals to the window.
    InstallSessionEndSignals();
    // Before any thread reads the environment, which this may change.
    ChooseWindowSystem(argc, argv);
    // GStreamer comes up, and the decoders' libraries load, on threads of their own while the
    // window is built, so the first picture is not held back by both in turn. The program's own
    // plugins (the output device's renderer) live beside it.
    StartGStreamer(PluginFolderBesideExecutable());
    StartLoadingPlaybackLibraries();
    TApplication::PrepareAttributes();
    TApplication application(argc, argv);
    // The toolkit has taken its own options out of argv by now.
    std::error_code unknownFolder;
    const CommandLine commandLine =
        ParseCommandLine({argv + 1, argv + argc}, std::filesystem::current_path(unknownFolder).string());
    if (commandLine.Help || !commandLine.Error.empty()) {
        if (!commandLine.Error.empty()) {
            std::fprintf(stderr, "tarnwick: %s\n", commandLine.Error.c_str());
        }
        std::fputs(UsageText().c_str(), commandLine.Help ? stdout : stderr);
        return commandLine.Help ? 0 : 2;
    }
    if (!commandLine.Path.empty() && HandOverToRunningPlayer(commandLine.Path)) {
        return 0;
    }
    // Closing this first window ends the application.
    auto frmMain = std::make_unique<TfrmMain>(std::make_shared<GstGraphSystem>());
    // Loading a plugin holds up every other thread that loads a library, as the window system
    // does while it first paints the window; the plugins wait until then.
    RunAfterFirstPaint(*frmMain, PreloadPlaybackPlugins);
    frmMain->StartPath = commandLine.Path;
    // Without a session bus the program runs on without media keys.
    (new MprisService(*frmMain))->Register();
    const SessionEndWatcher sessionEnd(*frmMain);
    const GraphWaitPump graphWaits(*frmMain);
    frmMain->show();
    const int result = TApplication::exec();
    // FormDestroy runs here, while the window and all its controls still exist.
    frmMain.reset();
    // A shutdown at the session's end that could not save says so in its exit status.
    return ErrorWentToStandardError() ? 1 : result;
}
