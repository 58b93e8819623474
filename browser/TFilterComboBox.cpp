// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/TFilterComboBox.h"

#include "browser/FileNames.h"
#include "browser/TFileListBox.h"
#include "browser/UserActions.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

TFilterComboBox::TFilterComboBox(QWidget* parent)
    : QWidget(parent), filter_("すべてのファイル (*.*)|*.*"), combo_(new QComboBox(this)) {
    combo_->setEditable(false);
    setFocusProxy(combo_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(combo_);
    connect(combo_, &QComboBox::activated, this, [this](int index) { UserPicked(index); });
}

TFilterComboBox::~TFilterComboBox() {
    if (fileList_) {
        fileList_->SetFilterComboBackLink(nullptr);
    }
}

void TFilterComboBox::SetFilter(const std::string& filter) {
    if (SameFileName(filter, filter_, false)) {
        return;
    }
    filter_ = filter;
    if (created_) {
        RebuildEntries();
    }
    Change();
}

void TFilterComboBox::SetFileList(TFileListBox* list) {
    if (fileList_) {
        fileList_->SetFilterComboBackLink(nullptr);
    }
    fileList_ = list;
    if (list) {
        list->SetFilterComboBackLink(this);
    }
}

int TFilterComboBox::ItemIndex() const {
    return combo_->currentIndex();
}

void TFilterComboBox::SetItemIndex(int index) {
    const QSignalBlocker quiet(combo_);
    combo_->setCurrentIndex(index);
}

int TFilterComboBox::Count() const {
    return combo_->count();
}

std::string TFilterComboBox::Item(int index) const {
    return combo_->itemText(index).toStdString();
}

std::string TFilterComboBox::CurrentMask() {
    if (ItemIndex() < 0) {
        SetItemIndex(Count() - 1);
    }
    const int index = ItemIndex();
    if (index < 0 || index >= static_cast<int>(entryMasks_.size())) {
        return "*.*";
    }
    return entryMasks_[static_cast<std::size_t>(index)];
}

void TFilterComboBox::RebuildEntries() {
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    entryMasks_.clear();
    // "|" never occurs inside a UTF-8 sequence, so a byte search cannot cut a character.
    std::string rest = filter_;
    std::size_t bar = 0;
    while ((bar = rest.find('|')) != std::string::npos) {
        const std::string description = rest.substr(0, bar);
        rest.erase(0, bar + 1);
        std::string mask;
        if (const std::size_t next = rest.find('|'); next != std::string::npos) {
            mask = rest.substr(0, next);
            rest.erase(0, next + 1);
        } else {
            mask = rest;
            rest.clear();
        }
        combo_->addItem(DisplayText(description));
        entryMasks_.push_back(mask);
    }
    combo_->setCurrentIndex(combo_->count() > 0 ? 0 : -1);
}

void TFilterComboBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!created_) {
        created_ = true;
        RebuildEntries();
    }
}

void TFilterComboBox::Change() {
    if (fileList_) {
        fileList_->SetMask(CurrentMask());
    }
    emit OnChange();
}

void TFilterComboBox::UserPicked(int) {
    RunUserAction([this] {
        emit OnClick();
        Change();
    });
}
