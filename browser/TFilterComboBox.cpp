#include "browser/TFilterComboBox.h"

#include <QComboBox>
#include <QVBoxLayout>

TFilterComboBox::TFilterComboBox(QWidget* parent) : QWidget(parent), combo_(new QComboBox(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(combo_);
}
TFilterComboBox::~TFilterComboBox() = default;
void TFilterComboBox::SetFilter(const std::string& filter) {
    filter_ = filter;
}
void TFilterComboBox::SetFileList(TFileListBox* list) {
    fileList_ = list;
}
int TFilterComboBox::ItemIndex() const {
    return combo_->currentIndex();
}
void TFilterComboBox::SetItemIndex(int index) {
    combo_->setCurrentIndex(index);
}
int TFilterComboBox::Count() const {
    return combo_->count();
}
std::string TFilterComboBox::Item(int) const {
    return {};
}
std::string TFilterComboBox::CurrentMask() {
    return "*.*";
}
void TFilterComboBox::RebuildEntries() {}
void TFilterComboBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
}
void TFilterComboBox::Change() {}
void TFilterComboBox::UserPicked(int) {}
