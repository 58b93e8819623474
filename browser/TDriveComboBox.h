// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/BrowserTypes.h"

#include <QWidget>
#include <string>

class QComboBox;
class TDirectoryListBox;

// The drop-down of the machine's drives: mounted file systems that hold user files, each under a
// one-letter key (see browser/Volumes.h).
class TDriveComboBox : public QWidget {
    Q_OBJECT

public:
    explicit TDriveComboBox(QWidget* parent = nullptr);
    ~TDriveComboBox() override;

    // The selected drive's letter, cased by TextCase; '\0' for none.
    char DriveLetter() const { return driveLetter_; }
    void SetDriveLetter(char letter);
    TTextCase TextCase() const { return textCase_; }
    void SetTextCase(TTextCase textCase);
    TDirectoryListBox* DirList() const { return dirList_; }
    void SetDirList(TDirectoryListBox* list);

    void RefreshDrives();
    // Leaves out, when the answers come, the mount points that are not folders.
    void AskWhichMountsAreFolders();
    int ItemIndex() const;
    int Count() const;
    std::string Item(int index) const;
    // The name of the glyph of an entry: "FLOPPY", "HARD", "NETWORK", "CDROM" or "RAM".
    std::string ItemGlyph(int index) const;

signals:
    void OnChange();
    void OnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class TDirectoryListBox;
    void ForgetDirList() { dirList_ = nullptr; }
    void UserPicked(int index);

    char driveLetter_ = '\0';
    TTextCase textCase_ = tcLowerCase;
    bool created_ = false; // the window exists once the control has been shown
    TDirectoryListBox* dirList_ = nullptr;
    QComboBox* combo_ = nullptr;
};
