// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/TDirectoryListBox.h"

#include "browser/FileNames.h"
#include "browser/FileScan.h"
#include "browser/FileSystemWorker.h"
#include "browser/FolderVisit.h"
#include "browser/Glyphs.h"
#include "browser/InOutErrors.h"
#include "browser/Paths.h"
#include "browser/ProcessDirectory.h"
#include "browser/TDriveComboBox.h"
#include "browser/TFileListBox.h"
#include "browser/UserActions.h"
#include "browser/Volumes.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cctype>
#include <cerrno>

namespace {

char UpperLetter(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string StartingDirectory() {
    try {
        return CurrentDirectory();
    } catch (const std::exception&) {
        return "/";
    }
}

// The folders of a path below its root, in order.
std::vector<std::string> PartsBelowRoot(const std::string& dir, const std::string& root) {
    std::string rest = dir;
    if (root == "/") {
        rest.erase(0, 1);
    } else if (rest.size() > root.size()) {
        rest.erase(0, root.size() + 1);
    } else {
        rest.clear();
    }
    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (begin < rest.size()) {
        const std::size_t slash = rest.find('/', begin);
        parts.push_back(rest.substr(begin, slash - begin));
        if (slash == std::string::npos) {
            break;
        }
        begin = slash + 1;
    }
    return parts;
}

} // namespace

// Draws a row with its glyph at the row's indent, centred, and the text after it at the top.
class DirectoryRowDelegate : public QStyledItemDelegate {
public:
    explicit DirectoryRowDelegate(TDirectoryListBox* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        const int row = index.row();
        const int indent = list_->ItemIndent(row);
        const QPixmap& glyph = list_->GlyphOf(list_->rows_[static_cast<std::size_t>(row)].Kind);
        painter->drawPixmap(option.rect.left() + indent,
                            option.rect.top() + (option.rect.height() - glyph.height()) / 2, glyph);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(indent + glyph.width() + 4, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, list_->RowDisplayText(row));
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const int height = std::max(option.fontMetrics.height(), list_->openFolder_.height() + 1);
        return {option.rect.width(), height};
    }

private:
    TDirectoryListBox* list_;
};

TDirectoryListBox::TDirectoryListBox(QWidget* parent)
    : QWidget(parent), currentDir_(StartingDirectory()), openFolder_(LoadGlyph("OPENFOLDER")),
      currentFolder_(LoadGlyph("CURRENTFOLDER")), closedFolder_(LoadGlyph("CLOSEDFOLDER")),
      list_(new QListWidget(this)) {
    list_->setItemDelegate(new DirectoryRowDelegate(this));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    setFocusProxy(list_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    // The folder the program started in is the first made current on its drive.
    Volumes::RememberDirectory(currentDir_);
    RefreshLevels();
}

TDirectoryListBox::~TDirectoryListBox() {
    if (fileList_) {
        fileList_->SetDirListBackLink(nullptr);
    }
    if (driveCombo_) {
        driveCombo_->ForgetDirList();
    }
    disconnect(labelGone_);
}

void TDirectoryListBox::SetCurrentDir(const std::string& dir) {
    GoTo(dir, {});
}

void TDirectoryListBox::GoTo(const std::string& text, AfterVisit then) {
    if (text.empty()) {
        return;
    }
    if (SameFileName(text, currentDir_, volumeCaseSensitive_)) {
        // Staying is a move that has landed: what comes after it goes on at once.
        ++visits_;
        ShowMoving(false);
        if (then) {
            FolderVisit here;
            here.Path.Dir = currentDir_;
            then(here);
        }
        return;
    }
    FolderVisitRequest request;
    request.Text = text;
    request.Base = currentDir_;
    Visit(std::move(request), std::move(then));
}

void TDirectoryListBox::Visit(FolderVisitRequest request, AfterVisit then) {
    emit MoveAsked();
    request.Subfolders = true;
    if (fileList_ && fileList_->created_) {
        request.Files = fileList_->Query();
    }
    const unsigned long visit = ++visits_;
    const bool landed = LookUpOffThread<FolderVisit>(
        this, [request = std::move(request)] { return VisitFolder(request); },
        [this, visit, then = std::move(then)](FolderVisit& answer, Landing landing) {
            if (visit != visits_) {
                return; // the user has moved on
            }
            ShowMoving(false);
            if (landing == Landing::InCall) {
                Arrive(answer, then);
            } else {
                RunUserAction([&] { Arrive(answer, then); });
            }
        });
    if (!landed) {
        ShowMoving(true);
    }
}

void TDirectoryListBox::Arrive(const FolderVisit& visit, const AfterVisit& then) {
    if (visit.Failure) {
        std::rethrow_exception(visit.Failure);
    }
    const char drive = Volumes::DriveLetterOf(visit.Path.Dir);
    if (drive != DriveLetter()) {
        inSetDirectory_ = true;
        try {
            if (driveCombo_) {
                driveCombo_->SetDriveLetter(drive);
            }
        } catch (...) {
            inSetDirectory_ = false;
            throw;
        }
        inSetDirectory_ = false;
    }
    currentDir_ = visit.Path.Dir;
    Volumes::RememberDirectory(currentDir_);
    RefreshLevels(SubfoldersForVolume(visit.Subfolders, Volumes::CaseSensitiveAt(currentDir_)));
    if (fileList_) {
        fileList_->TakeListing(currentDir_, visit);
    }
    UpdateLabel();
    emit OnChange();
    if (then) {
        then(visit);
    }
}

void TDirectoryListBox::ShowMoving(bool moving) {
    if (moving == moving_) {
        return;
    }
    moving_ = moving;
    for (QWidget* part : {static_cast<QWidget*>(this), static_cast<QWidget*>(fileList_)}) {
        if (part && moving) {
            part->setCursor(Qt::BusyCursor);
        } else if (part) {
            part->unsetCursor();
        }
    }
}

char TDirectoryListBox::DriveLetter() const {
    return Volumes::DriveLetterOf(currentDir_);
}

void TDirectoryListBox::SetFileList(TFileListBox* list) {
    if (fileList_) {
        fileList_->SetDirListBackLink(nullptr);
    }
    fileList_ = list;
    if (list) {
        list->SetDirListBackLink(this);
    }
}

void TDirectoryListBox::SetDirLabel(QLabel* label) {
    disconnect(labelGone_);
    dirLabel_ = label;
    if (label) {
        labelGone_ = connect(label, &QObject::destroyed, this, [this] { dirLabel_ = nullptr; });
    }
    UpdateLabel();
}

void TDirectoryListBox::RefreshLevels() {
    // Whatever the folder holds now; a folder that cannot be read has no subfolder rows.
    const std::string dir = currentDir_;
    const bool landed = LookUpOffThread<std::vector<std::string>>(
        this, [dir] { return ListSubdirectories(dir, true); },
        [this, dir](std::vector<std::string>& names) {
            if (dir == currentDir_) {
                RefreshLevels(SubfoldersForVolume(std::move(names), Volumes::CaseSensitiveAt(dir)));
            }
        });
    if (!landed) {
        RefreshLevels(std::vector<std::string>{}); // the levels at least, until the share answers
    }
}

void TDirectoryListBox::RefreshLevels(std::vector<std::string> subfolders) {
    list_->setUpdatesEnabled(false);
    rows_.clear();
    const std::string root = Volumes::RootOf(currentDir_);
    // Every Linux file system keeps the case it is given; some ignore it when looking names up.
    volumeKeepsCase_ = true;
    volumeCaseSensitive_ = Volumes::CaseSensitiveAt(currentDir_);

    rows_.push_back({root, RowKind::Level});
    const std::vector<std::string> parts = PartsBelowRoot(currentDir_, root);
    for (const std::string& part : parts) {
        rows_.push_back({part, RowKind::Level});
    }
    rows_.back().Kind = RowKind::Current;
    currentRow_ = static_cast<int>(rows_.size()) - 1;
    for (std::string& name : subfolders) {
        rows_.push_back({std::move(name), RowKind::Subfolder});
    }

    list_->clear();
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        list_->addItem(RowDisplayText(static_cast<int>(row)));
    }
    list_->setUpdatesEnabled(true);
    if (created_) {
        list_->setCurrentRow(currentRow_);
    }
}

void TDirectoryListBox::SwitchDrive(char letter) {
    // A move that picked the drive itself goes on to its own folder.
    if (inSetDirectory_ || UpperLetter(letter) == UpperLetter(DriveLetter())) {
        return;
    }
    if (letter == '\0') {
        RefreshLevels();
        Change();
        return;
    }
    const std::string target = Volumes::RememberedDirectory(letter);
    if (target.empty()) {
        ThrowInOutError(ENODEV); // no drive has that key
    }
    FolderVisitRequest request;
    request.Text = target;
    request.Base = currentDir_;
    request.WholeTextIsFolder = true;
    request.Fallback = Volumes::DriveByLetter(letter)->MountPoint;
    Visit(std::move(request), {});
}

std::string TDirectoryListBox::PathOfRow(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index)];
    if (row.Kind == RowKind::Subfolder) {
        return JoinPath(currentDir_, row.Text);
    }
    if (index == currentRow_) {
        return currentDir_;
    }
    std::string path = rows_.front().Text;
    for (int level = 1; level <= index; ++level) {
        path = JoinPath(path, rows_[static_cast<std::size_t>(level)].Text);
    }
    return path;
}

void TDirectoryListBox::EnterSelectedRow() {
    SetCurrentDir(PathOfRow(ItemIndex()));
}

int TDirectoryListBox::ItemIndex() const {
    return list_->currentRow();
}

void TDirectoryListBox::SetItemIndex(int index) {
    list_->setCurrentRow(index);
}

int TDirectoryListBox::Count() const {
    return static_cast<int>(rows_.size());
}

std::string TDirectoryListBox::Item(int index) const {
    return index >= 0 && index < Count() ? rows_[static_cast<std::size_t>(index)].Text : std::string();
}

std::string TDirectoryListBox::ItemGlyph(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    switch (rows_[static_cast<std::size_t>(index)].Kind) {
    case RowKind::Level:
        return "OPENFOLDER";
    case RowKind::Current:
        return "CURRENTFOLDER";
    case RowKind::Subfolder:
        return "CLOSEDFOLDER";
    }
    return {};
}

int TDirectoryListBox::ItemIndent(int index) const {
    if (index >= 0 && index < Count() && rows_[static_cast<std::size_t>(index)].Kind == RowKind::Subfolder) {
        return 4 * PathDepth(currentDir_, Volumes::RootOf(currentDir_)) + 6;
    }
    return 4 * index + 2;
}

const QPixmap& TDirectoryListBox::GlyphOf(RowKind kind) const {
    switch (kind) {
    case RowKind::Level:
        return openFolder_;
    case RowKind::Current:
        return currentFolder_;
    case RowKind::Subfolder:
        break;
    }
    return closedFolder_;
}

QString TDirectoryListBox::RowDisplayText(int index) const {
    const std::string& text = rows_[static_cast<std::size_t>(index)].Text;
    return DisplayText(volumeKeepsCase_ || volumeCaseSensitive_ ? text : LowerText(text));
}

void TDirectoryListBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!created_) {
        created_ = true;
        RunUserAction([this] { RefreshLevels(); });
    }
}

bool TDirectoryListBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        if (IsPrimaryDoubleClickOnRow(*list_, *static_cast<QMouseEvent*>(event))) {
            DoubleClicked();
        }
        return true;
    }
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunUserAction([this] { EnterSelectedRow(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TDirectoryListBox::DoubleClicked() {
    emit OnDblClick();
    RunUserAction([this] { EnterSelectedRow(); });
}

void TDirectoryListBox::SetDriveComboBackLink(TDriveComboBox* combo) {
    driveCombo_ = combo;
}

void TDirectoryListBox::Change() {
    if (fileList_) {
        fileList_->SetCurrentDir(currentDir_);
    }
    UpdateLabel();
    emit OnChange();
}

void TDirectoryListBox::UpdateLabel() {
    if (!dirLabel_) {
        return;
    }
    const QFontMetrics metrics = dirLabel_->fontMetrics();
    const std::string shown =
        ShortenPathToWidth(currentDir_, dirLabel_->width(), [&](const std::string& text) {
            return metrics.horizontalAdvance(DisplayText(text));
        });
    dirLabel_->setText(DisplayText(shown));
}
