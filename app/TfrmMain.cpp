#include "app/TfrmMain.h"

#include "app/Winplace.h"

namespace {
constexpr int kDesignedLeft = 273;
constexpr int kDesignedTop = 63;
constexpr int kDesignedClientWidth = 701;
constexpr int kDesignedClientHeight = 788;
} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
    move(kDesignedLeft, kDesignedTop);
    resize(kDesignedClientWidth, kDesignedClientHeight);
    FormCreate();
}

TfrmMain::~TfrmMain() {
    FormDestroy();
}

void TfrmMain::FormCreate() {
    setWindowTitle(QStringLiteral("Tarnwick 1.06"));
    RestoreFormPlacement(*this);
}

void TfrmMain::FormDestroy() {
    SaveFormPlacement(*this);
}
