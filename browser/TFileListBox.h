// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "browser/BrowserTypes.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

struct FileRow;
struct FileRowQuery;
struct FolderVisit;

class QLineEdit;
class QListView;
class QModelIndex;
class TDirectoryListBox;
class TFilterComboBox;
class FileRowModel;
class FileRowDelegate;

// The list of the files in one folder, filtered by wildcard patterns. Paths are byte strings
// (UTF-8 as the file system gives them, possibly not valid UTF-8) so that every listed file can be
// opened again by the name it was listed under.
class TFileListBox : public QWidget {
    Q_OBJECT

public:
    explicit TFileListBox(QWidget* parent = nullptr);
    ~TFileListBox() override;

    const std::string& CurrentDir() const { return currentDir_; }
    void SetCurrentDir(const std::string& dir);
    const std::string& Mask() const { return mask_; }
    void SetMask(const std::string& mask);
    TFileType FileType() const { return fileType_; }
    void SetFileType(TFileType fileType);
    bool ShowGlyphs() const { return showGlyphs_; }
    void SetShowGlyphs(bool show);
    QLineEdit* FileEdit() const { return fileEdit_; }
    void SetFileEdit(QLineEdit* edit);
    int LastSelected() const { return lastSelected_; }

    // The selected row, -1 for none. Assigning from code raises no notification; -1 clears the
    // selection and an index out of range is refused.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The rows ("Items"): their count and the text of one.
    int Count() const;
    std::string Item(int index) const;

    std::string SelectedName() const;
    std::string SelectedPath() const;
    void SelectName(const std::string& name);
    void GoToPath(const std::string& text);
    // As GoToPath, then runs then once the file is selected (later when the folder's listing comes
    // from a share that sleeps).
    void GoToPath(const std::string& text, std::function<void()> then);
    // Lists the folder again, off the window's thread; the rows change when the listing lands, at
    // once for a folder that answers at once.
    void RescanFiles();
    void RescanFiles(std::function<void()> then);

    // The back-links, set by the directory list's and the filter selector's FileList.
    TDirectoryListBox* DirList() const { return dirList_; }
    TFilterComboBox* FilterCombo() const { return filterCombo_; }

    int RowHeight() const { return rowHeight_; }
    // Never lower than the font's line, whatever height is asked for.
    void SetRowHeight(int height);

signals:
    // After a rescan, after the user changes the selection, and from SelectName.
    void OnChange();
    void OnClick();
    // A double-click on a row: the main window plays the selected file.
    void OnDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TDirectoryListBox;
    friend class TFilterComboBox;
    void SetDirListBackLink(TDirectoryListBox* list);
    FileRowQuery Query() const;
    // Without a directory list: the list moves by itself, as the directory list would move it.
    void VisitOwnFolder(const std::string& text, bool wholeTextIsFolder,
                        std::function<void(const FolderVisit&)> then);
    // The directory list moved here and listed the files with it.
    void TakeListing(const std::string& dir, const FolderVisit& visit);
    void ShowRows(std::vector<FileRow> rows);
    void SetMask(const std::string& mask, std::function<void()> then);
    void SelectTypedFile(const std::string& text, const FolderVisit& visit,
                         const std::function<void()>& then);
    void SetFilterComboBackLink(TFilterComboBox* combo);
    void Change();
    void UserChangedSelection();
    void ComputeRowHeight();
    void SelectRow(int index);
    int FindRow(const std::string& name) const;
    bool CaseSensitiveHere() const;

    std::string currentDir_;
    std::string mask_ = "*.*";
    TFileType fileType_ = TFileType::Normal();
    bool showGlyphs_ = false;
    // The list's window exists once it has been shown; scans wait for it.
    bool created_ = false;
    bool selectingFromCode_ = false;
    unsigned long scans_ = 0; // the last listing asked for; an answer to an earlier one is dropped
    int lastSelected_ = -1;
    int rowHeight_ = 0;
    QLineEdit* fileEdit_ = nullptr;
    TDirectoryListBox* dirList_ = nullptr;
    TFilterComboBox* filterCombo_ = nullptr;
    FileRowModel* model_ = nullptr;
    FileRowDelegate* delegate_ = nullptr;
    QListView* view_ = nullptr;
    QMetaObject::Connection fileEditGone_;
};
