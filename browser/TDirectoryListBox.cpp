#include "browser/TDirectoryListBox.h"

#include <QListWidget>
#include <QVBoxLayout>

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QWidget(parent), list_(new QListWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
}
TDirectoryListBox::~TDirectoryListBox() = default;
void TDirectoryListBox::SetCurrentDir(const std::string& dir) {
    currentDir_ = dir;
}
char TDirectoryListBox::DriveLetter() const {
    return '\0';
}
void TDirectoryListBox::SetFileList(TFileListBox* list) {
    fileList_ = list;
}
void TDirectoryListBox::SetDirLabel(QLabel* label) {
    dirLabel_ = label;
}
void TDirectoryListBox::RefreshLevels() {}
void TDirectoryListBox::SwitchDrive(char) {}
std::string TDirectoryListBox::PathOfRow(int) const {
    return {};
}
void TDirectoryListBox::EnterSelectedRow() {}
int TDirectoryListBox::ItemIndex() const {
    return list_->currentRow();
}
void TDirectoryListBox::SetItemIndex(int index) {
    list_->setCurrentRow(index);
}
int TDirectoryListBox::Count() const {
    return list_->count();
}
std::string TDirectoryListBox::Item(int) const {
    return {};
}
std::string TDirectoryListBox::ItemGlyph(int) const {
    return {};
}
int TDirectoryListBox::ItemIndent(int) const {
    return 0;
}
void TDirectoryListBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
}
bool TDirectoryListBox::eventFilter(QObject* watched, QEvent* event) {
    return QWidget::eventFilter(watched, event);
}
void TDirectoryListBox::SetDriveComboBackLink(TDriveComboBox* combo) {
    driveCombo_ = combo;
}
void TDirectoryListBox::Change() {}
void TDirectoryListBox::UpdateLabel() {}
