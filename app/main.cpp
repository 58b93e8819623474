#include "app/ApplicationTitle.h"
#include "app/TfrmMain.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication application(argc, argv);
    QApplication::setApplicationName(
        QString::fromStdString(ApplicationTitleFor(QCoreApplication::applicationFilePath().toStdString())));
    auto frmMain = std::make_unique<TfrmMain>();
    frmMain->show();
    int result = QApplication::exec();
    frmMain.reset();
    return result;
}
