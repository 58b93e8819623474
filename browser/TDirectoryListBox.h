// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

struct FolderVisit;
struct FolderVisitRequest;

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
    // Moves to the folder a text names. The folder is looked up off the window's thread and the
    // move takes effect when its listing lands: at once for a folder that answers at once, later
    // for one on a share that sleeps (the browser shows itself busy meanwhile). Until then, and
    // for good when it fails, everything stays as it was. A move overtaken by a later one is
    // dropped. An error raises here when the answer came at once, else it is reported.
    void SetCurrentDir(const std::string& dir);
    // As SetCurrentDir, then runs then with what the text named once the move has taken effect.
    using AfterVisit = std::function<void(const FolderVisit&)>;
    void GoTo(const std::string& text, AfterVisit then);
    // Whether a move is on its way.
    bool Moving() const { return moving_; }
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
    void RefreshLevels(std::vector<std::string> subfolders);
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
    // A move to another folder or drive was asked for.
    void MoveAsked();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TDriveComboBox;
    friend class TFileListBox;
    void SetDriveComboBackLink(TDriveComboBox* combo);
    void Visit(FolderVisitRequest request, AfterVisit then);
    void Arrive(const FolderVisit& visit, const AfterVisit& then);
    void ShowMoving(bool moving);
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
    bool moving_ = false;
    unsigned long visits_ = 0; // the last move asked for; an answer to an earlier one is dropped
    bool created_ = false;     // the window exists once the control has been shown
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
