// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class TFileListBox;

// The drop-down of file-type filters whose selected entry sets a file list's mask.
class TFilterComboBox : public QWidget {
    Q_OBJECT

public:
    explicit TFilterComboBox(QWidget* parent = nullptr);
    ~TFilterComboBox() override;

    // Descriptions and masks, alternating, separated by "|".
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& filter);
    TFileListBox* FileList() const { return fileList_; }
    void SetFileList(TFileListBox* list);

    int ItemIndex() const;
    void SetItemIndex(int index);
    // The descriptions ("Items") and the mask of each entry.
    int Count() const;
    std::string Item(int index) const;
    const std::vector<std::string>& EntryMasks() const { return entryMasks_; }

    // The mask of the selected entry; selects the last entry first when none is selected.
    std::string CurrentMask();
    void RebuildEntries();

signals:
    void OnChange();
    void OnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class TFileListBox;
    void ForgetFileList() { fileList_ = nullptr; }
    void Change();
    void UserPicked(int index);

    std::string filter_;
    std::vector<std::string> entryMasks_;
    bool created_ = false; // the window exists once the control has been shown
    TFileListBox* fileList_ = nullptr;
    QComboBox* combo_ = nullptr;
};
