#include "app/TApplication.h"
#include "app/TfrmMain.h"

#include <memory>

int main(int argc, char** argv) {
    TApplication::PrepareAttributes();
    TApplication application(argc, argv);
    // Closing this first window ends the application.
    auto frmMain = std::make_unique<TfrmMain>();
    frmMain->show();
    const int result = TApplication::exec();
    // FormDestroy runs here, while the window and all its controls still exist.
    frmMain.reset();
    return result;
}
