#include "browser/TDriveComboBox.h"

#include <QComboBox>
#include <QVBoxLayout>

TDriveComboBox::TDriveComboBox(QWidget* parent) : QWidget(parent), combo_(new QComboBox(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(combo_);
}
TDriveComboBox::~TDriveComboBox() = default;
void TDriveComboBox::SetDriveLetter(char letter) {
    driveLetter_ = letter;
}
void TDriveComboBox::SetTextCase(TTextCase textCase) {
    textCase_ = textCase;
}
void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
    dirList_ = list;
}
void TDriveComboBox::RefreshDrives() {}
int TDriveComboBox::ItemIndex() const {
    return combo_->currentIndex();
}
int TDriveComboBox::Count() const {
    return combo_->count();
}
std::string TDriveComboBox::Item(int) const {
    return {};
}
std::string TDriveComboBox::ItemGlyph(int) const {
    return {};
}
void TDriveComboBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
}
void TDriveComboBox::UserPicked(int) {}
