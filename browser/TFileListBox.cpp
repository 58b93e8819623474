// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/TFileListBox.h"

#include "browser/FileNames.h"
#include "browser/FileRowModel.h"
#include "browser/FileScan.h"
#include "browser/FileSystemWorker.h"
#include "browser/FolderVisit.h"
#include "browser/Glyphs.h"
#include "browser/Paths.h"
#include "browser/ProcessDirectory.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TFilterComboBox.h"
#include "browser/UserActions.h"
#include "browser/Volumes.h"
#include "core/Errors.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace {

std::string StartingDirectory() {
    try {
        return CurrentDirectory();
    } catch (const EInOutError&) {
        return "/"; // the process's directory was removed under it
    }
}

struct Scan {
    std::exception_ptr Failure;
    std::vector<FileRow> Rows;
};

// Runs land with an answer: inside the call that asked when the answer came at once, so an error
// reaches that caller as it always has, else as a user's action of its own.
template <typename Land> auto LandFrom(Land land) {
    return [land = std::move(land)](auto& answer, Landing landing) {
        if (landing == Landing::InCall) {
            land(answer);
        } else {
            RunUserAction([&] { land(answer); });
        }
    };
}

} // namespace

TFileListBox::TFileListBox(QWidget* parent)
    : QWidget(parent), currentDir_(StartingDirectory()), model_(new FileRowModel(this)),
      view_(new QListView(this)) {
    delegate_ = new FileRowDelegate(model_, &showGlyphs_, &rowHeight_, this);
    view_->setModel(model_);
    view_->setItemDelegate(delegate_);
    view_->setUniformItemSizes(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->viewport()->installEventFilter(this);
    setFocusProxy(view_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    ComputeRowHeight();
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!selectingFromCode_) {
            RunUserAction([this] { UserChangedSelection(); });
        }
    });
}

TFileListBox::~TFileListBox() {
    if (dirList_) {
        dirList_->ForgetFileList();
    }
    if (filterCombo_) {
        filterCombo_->ForgetFileList();
    }
    disconnect(fileEditGone_);
}

void TFileListBox::SetCurrentDir(const std::string& dir) {
    if (SameFileName(dir, currentDir_, CaseSensitiveHere())) {
        return;
    }
    VisitOwnFolder(dir, true, {});
}

void TFileListBox::VisitOwnFolder(const std::string& text, bool wholeTextIsFolder,
                                  std::function<void(const FolderVisit&)> then) {
    FolderVisitRequest request;
    request.Text = text;
    request.Base = currentDir_;
    request.WholeTextIsFolder = wholeTextIsFolder;
    if (created_) {
        request.Files = Query();
    }
    const unsigned long scan = ++scans_;
    LookUpOffThread<FolderVisit>(
        this, [request] { return VisitFolder(request); },
        LandFrom([this, scan, then = std::move(then)](FolderVisit& visit) {
            if (scan != scans_) {
                return;
            }
            if (visit.Failure) {
                std::rethrow_exception(visit.Failure);
            }
            TakeListing(visit.Path.Dir, visit);
            if (then) {
                then(visit);
            }
        }));
}

void TFileListBox::TakeListing(const std::string& dir, const FolderVisit& visit) {
    if (SameFileName(dir, currentDir_, CaseSensitiveHere())) {
        return;
    }
    currentDir_ = dir;
    ++scans_;
    if (!created_) {
        return;
    }
    // The mask may have changed while a share answered; then the rows found are not this list's.
    if (visit.Path.Dir == dir && !visit.Failure && visit.FilesListed == Query()) {
        ShowRows(visit.Files);
    } else {
        RescanFiles();
    }
}

FileRowQuery TFileListBox::Query() const {
    return {mask_, fileType_, showGlyphs_};
}

void TFileListBox::SetMask(const std::string& mask) {
    SetMask(mask, {});
}

void TFileListBox::SetMask(const std::string& mask, std::function<void()> then) {
    if (mask == mask_) {
        if (then) {
            then();
        }
        return;
    }
    mask_ = mask;
    RescanFiles(std::move(then));
}

void TFileListBox::SetFileType(TFileType fileType) {
    if (fileType == fileType_) {
        return;
    }
    fileType_ = fileType;
    RescanFiles();
}

void TFileListBox::SetShowGlyphs(bool show) {
    if (show == showGlyphs_) {
        return;
    }
    showGlyphs_ = show;
    const int glyphRowHeight = LoadGlyph("EXECUTABLE").height() + 1;
    if (show && rowHeight_ < glyphRowHeight) {
        ComputeRowHeight();
    }
    view_->viewport()->update();
}

void TFileListBox::SetFileEdit(QLineEdit* edit) {
    disconnect(fileEditGone_);
    fileEdit_ = edit;
    if (edit) {
        fileEditGone_ = connect(edit, &QObject::destroyed, this, [this] { fileEdit_ = nullptr; });
        const std::string name = SelectedName();
        edit->setText(DisplayText(name.empty() ? mask_ : name));
    }
}

int TFileListBox::ItemIndex() const {
    const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TFileListBox::SetItemIndex(int index) {
    if (index < -1 || index >= Count()) {
        return;
    }
    SelectRow(index);
}

void TFileListBox::SelectRow(int index) {
    selectingFromCode_ = true;
    if (index < 0) {
        view_->selectionModel()->clear();
    } else {
        const QModelIndex row = model_->index(index);
        view_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        view_->scrollTo(row);
    }
    selectingFromCode_ = false;
}

int TFileListBox::Count() const {
    return model_->rowCount();
}

std::string TFileListBox::Item(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    return model_->Rows()[static_cast<std::size_t>(index)].Text;
}

std::string TFileListBox::SelectedName() const {
    return Item(ItemIndex());
}

std::string TFileListBox::SelectedPath() const {
    const std::string name = SelectedName();
    return name.empty() ? std::string() : JoinPath(currentDir_, name);
}

int TFileListBox::FindRow(const std::string& name) const {
    // The search begins at the second row and wraps round to the first. On a volume that tells
    // cases apart, a row that matches exactly wins over one that differs only in case.
    const int count = Count();
    const auto search = [&](bool exact) {
        for (int step = 0; step < count; ++step) {
            const int row = (step + 1) % count;
            if (SameFileName(model_->Rows()[static_cast<std::size_t>(row)].Text, name, exact)) {
                return row;
            }
        }
        return -1;
    };
    const int exactRow = CaseSensitiveHere() ? search(true) : -1;
    return exactRow >= 0 ? exactRow : search(false);
}

void TFileListBox::SelectName(const std::string& name) {
    if (SameFileName(name, SelectedName(), CaseSensitiveHere())) {
        return;
    }
    SelectRow(FindRow(name));
    Change();
}

void TFileListBox::GoToPath(const std::string& text) {
    GoToPath(text, {});
}

void TFileListBox::GoToPath(const std::string& text, std::function<void()> then) {
    if (text.empty() || SameFileName(text, SelectedPath(), CaseSensitiveHere())) {
        if (then) {
            then();
        }
        return;
    }
    if (dirList_) {
        dirList_->GoTo(text, [this, text, then = std::move(then)](const FolderVisit& visit) {
            SelectTypedFile(text, visit, then);
        });
        return;
    }
    VisitOwnFolder(text, false, [this, text, then = std::move(then)](const FolderVisit& visit) {
        SelectTypedFile(text, visit, then);
    });
}

void TFileListBox::SelectTypedFile(const std::string& text, const FolderVisit& visit,
                                   const std::function<void()>& then) {
    const std::string& file = visit.Path.File;
    if (HasWildcards(file)) {
        SetMask(file, then);
        return;
    }
    if (file.empty()) {
        if (then) {
            then();
        }
        return;
    }
    SelectName(file);
    if (!visit.FileExists) {
        throw EInvalidOperation("不正なファイル名 - " + text);
    }
    if (!SelectedName().empty()) {
        if (then) {
            then();
        }
        return;
    }
    // The mask or the attribute rules kept the file out: show just that file.
    SetMask(file, [this, file, then] {
        SelectName(file);
        if (then) {
            then();
        }
    });
}

void TFileListBox::RescanFiles() {
    RescanFiles({});
}

void TFileListBox::RescanFiles(std::function<void()> then) {
    if (!created_) {
        if (then) {
            then();
        }
        return;
    }
    const unsigned long scan = ++scans_;
    const std::string dir = currentDir_;
    const FileRowQuery query = Query();
    const bool landed = LookUpOffThread<Scan>(
        this,
        [dir, query] {
            Scan scan;
            try {
                // Listing a folder that can no longer be entered is refused as entering it would be.
                SplitTypedPath(JoinPath(dir, ""), dir);
                scan.Rows = ScanFiles(dir, query.Mask, query.FileType, query.Glyphs, [] {});
            } catch (...) {
                scan.Failure = std::current_exception();
            }
            return scan;
        },
        LandFrom([this, scan, then = std::move(then)](Scan& answer) {
            if (scan != scans_) {
                return;
            }
            unsetCursor();
            if (answer.Failure) {
                std::rethrow_exception(answer.Failure);
            }
            ShowRows(std::move(answer.Rows));
            if (then) {
                then();
            }
        }));
    if (!landed) {
        setCursor(Qt::BusyCursor);
    }
}

void TFileListBox::ShowRows(std::vector<FileRow> rows) {
    selectingFromCode_ = true;
    model_->SetRows(std::move(rows));
    view_->selectionModel()->clear();
    selectingFromCode_ = false;
    Change();
}

void TFileListBox::SetRowHeight(int height) {
    // A height chosen for another font is only a floor: a row lower than this font's line would cut
    // off the lower part of every name drawn into it.
    rowHeight_ = std::max(height, QFontMetrics(font()).height());
    delegate_->RowHeightChanged();
}

void TFileListBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!created_) {
        created_ = true;
        RunUserAction([this] { RescanFiles(); });
    }
}

void TFileListBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        view_->setFont(font());
        ComputeRowHeight();
    }
}

bool TFileListBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        IsPrimaryDoubleClickOnRow(*view_, *static_cast<QMouseEvent*>(event))) {
        emit OnDblClick();
    }
    return QWidget::eventFilter(watched, event);
}

void TFileListBox::SetDirListBackLink(TDirectoryListBox* list) {
    dirList_ = list;
}

void TFileListBox::SetFilterComboBackLink(TFilterComboBox* combo) {
    filterCombo_ = combo;
}

void TFileListBox::Change() {
    lastSelected_ = ItemIndex();
    if (fileEdit_) {
        const std::string name = SelectedName();
        fileEdit_->setText(DisplayText(name.empty() ? mask_ : name));
        fileEdit_->selectAll();
    }
    emit OnChange();
}

void TFileListBox::UserChangedSelection() {
    emit OnClick();
    if (ItemIndex() != lastSelected_) {
        Change();
    }
}

void TFileListBox::ComputeRowHeight() {
    int height = QFontMetrics(font()).height();
    if (showGlyphs_) {
        height = std::max(height, LoadGlyph("EXECUTABLE").height() + 1);
    }
    SetRowHeight(height);
}

bool TFileListBox::CaseSensitiveHere() const {
    return Volumes::CaseSensitiveAt(currentDir_);
}
