#pragma once

#include <QWidget>

// The program's one window. Its controls and handlers are added as the player grows.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

private:
    void FormCreate();
    void FormDestroy();
};
