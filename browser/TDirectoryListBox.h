// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class TDriveComboBox;
class TFileListBox;

// The chain of folders from the drive's root down to the current directory, followed by the
// current directory's subfolders.
class TDirectoryListBox : public QWidget {
    Q_OBJECT

public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);
    ~TDirectoryListBox() override;

    const std::string& CurrentDir() const { return currentDir_; }
    void SetCurrentDir(const std::string& dir);
    // The key of the drive that holds CurrentDir; '\0' when no listed drive holds it.
    char DriveLetter() const;
    TFileListBox* FileList() const { return fileList_; }
    void SetFileList(TFileListBox* list);
    QLabel* DirLabel() const { return dirLabel_; }
    void SetDirLabel(QLabel* label);
    TDriveComboBox* DriveCombo() const { return driveCombo_; }

    bool VolumeKeepsCase() const { return volumeKeepsCase_; }
    bool VolumeCaseSensitive() const { return volumeCaseSensitive_; }
    bool InSetDirectory() const { return inSetDirectory_; }

    void RefreshLevels();
    // Called by the drive selector.
    void SwitchDrive(char letter);
    std::string PathOfRow(int index) const;
    void EnterSelectedRow();

    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const;
    std::string Item(int index) const;
    // The name of the glyph of a row: "OPENFOLDER", "CURRENTFOLDER" or "CLOSEDFOLDER".
    std::string ItemGlyph(int index) const;
    // The left edge of a row's glyph, in pixels.
    int ItemIndent(int index) const;

signals:
    void OnChange();
    void OnDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TDriveComboBox;
    friend class TFileListBox;
    void SetDriveComboBackLink(TDriveComboBox* combo);
    void ForgetFileList() { fileList_ = nullptr; }
    void Change();
    void UpdateLabel();
    void DoubleClicked();

    enum class RowKind { Level, Current, Subfolder };
    struct Row {
        std::string Text;
        RowKind Kind;
    };
    friend class DirectoryRowDelegate;
    const QPixmap& GlyphOf(RowKind kind) const;
    QString RowDisplayText(int index) const;

    std::string currentDir_;
    bool volumeKeepsCase_ = false;
    bool volumeCaseSensitive_ = false;
    bool inSetDirectory_ = false;
    bool created_ = false; // the window exists once the control has been shown
    int currentRow_ = -1;
    std::vector<Row> rows_;
    QPixmap openFolder_;
    QPixmap currentFolder_;
    QPixmap closedFolder_;
    TFileListBox* fileList_ = nullptr;
    TDriveComboBox* driveCombo_ = nullptr;
    QLabel* dirLabel_ = nullptr;
    QMetaObject::Connection labelGone_;
    QListWidget* list_ = nullptr;
};
