#include "browser/TFileListBox.h"

#include <QListView>
#include <QVBoxLayout>

TFileListBox::TFileListBox(QWidget* parent) : QWidget(parent), view_(new QListView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
}
TFileListBox::~TFileListBox() = default;
void TFileListBox::SetCurrentDir(const std::string& dir) {
    currentDir_ = dir;
}
void TFileListBox::SetMask(const std::string& mask) {
    mask_ = mask;
}
void TFileListBox::SetFileType(TFileType fileType) {
    fileType_ = fileType;
}
void TFileListBox::SetShowGlyphs(bool show) {
    showGlyphs_ = show;
}
void TFileListBox::SetFileEdit(QLineEdit* edit) {
    fileEdit_ = edit;
}
int TFileListBox::ItemIndex() const {
    return -1;
}
void TFileListBox::SetItemIndex(int) {}
int TFileListBox::Count() const {
    return 0;
}
std::string TFileListBox::Item(int) const {
    return {};
}
std::string TFileListBox::SelectedName() const {
    return {};
}
std::string TFileListBox::SelectedPath() const {
    return {};
}
void TFileListBox::SelectName(const std::string&) {}
void TFileListBox::GoToPath(const std::string&) {}
void TFileListBox::RescanFiles() {}
void TFileListBox::SetRowHeight(int height) {
    rowHeight_ = height;
}
void TFileListBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
}
void TFileListBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
}
void TFileListBox::SetDirListBackLink(TDirectoryListBox* list) {
    dirList_ = list;
}
void TFileListBox::SetFilterComboBackLink(TFilterComboBox* combo) {
    filterCombo_ = combo;
}
void TFileListBox::Change() {}
void TFileListBox::UserClicked() {}
void TFileListBox::ComputeRowHeight() {}
bool TFileListBox::CaseSensitiveHere() const {
    return true;
}
