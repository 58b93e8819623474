#include "app/AfterFirstPaint.h"
#include "app/TApplication.h"
#include "app/TfrmMain.h"
#include "graph/gst/GstGraphSystem.h"
#include "graph/gst/PluginFolder.h"

#include <memory>

int main(int argc, char** argv) {
    // GStreamer comes up on a thread of its own while the window is built, so the first picture
    // is not held back by both in turn. The program's own plugins (the output device's renderer)
    // live beside it.
    StartGStreamer(PluginFolderBesideExecutable());
    TApplication::PrepareAttributes();
    TApplication application(argc, argv);
    // Closing this first window ends the application.
    auto frmMain = std::make_unique<TfrmMain>(std::make_shared<GstGraphSystem>());
    // Loading a library holds up every other thread that loads one or looks a symbol up, as the
    // window system does while it first paints the window; the decoders wait until then.
    RunAfterFirstPaint(*frmMain, PreloadPlaybackPlugins);
    frmMain->show();
    const int result = TApplication::exec();
    // FormDestroy runs here, while the window and all its controls still exist.
    frmMain.reset();
    return result;
}
