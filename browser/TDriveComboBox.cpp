// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/TDriveComboBox.h"

#include "browser/FileNames.h"
#include "browser/FileSystemWorker.h"
#include "browser/Glyphs.h"
#include "browser/ProcessDirectory.h"
#include "browser/TDirectoryListBox.h"
#include "browser/UserActions.h"
#include "browser/Volumes.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cctype>
#include <set>
#include <sys/stat.h>

namespace {

char UpperLetter(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
char LowerLetter(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
bool IsUpperLetter(char c) {
    return std::isupper(static_cast<unsigned char>(c)) != 0;
}

std::string CasedLikeLetter(const std::string& text, char letter) {
    return IsUpperLetter(letter) ? UpperText(text) : LowerText(text);
}

std::string VolumeLabelText(const Drive& drive, char letter) {
    // Labels come from the mount table, so no medium is touched and nothing can hang here.
    return "[" + CasedLikeLetter(drive.Label, letter) + "]";
}

std::string NetworkDriveText(const Drive& drive, char letter) {
    if (drive.NetworkName.empty()) {
        return VolumeLabelText(drive, letter);
    }
    return CasedLikeLetter(drive.NetworkName, letter);
}

const char* GlyphName(DriveKind kind) {
    switch (kind) {
    case DriveKind::Removable:
        return "FLOPPY";
    case DriveKind::Fixed:
        return "HARD";
    case DriveKind::Remote:
        return "NETWORK";
    case DriveKind::CdRom:
        return "CDROM";
    case DriveKind::Ram:
        return "RAM";
    }
    return "";
}

char StartingDriveLetter() {
    try {
        return Volumes::DriveLetterOf(CurrentDirectory());
    } catch (const std::exception&) {
        return '\0';
    }
}

// Which mount points are folders, asked once each for the run.
std::set<std::string>& AskedMountPoints() {
    static std::set<std::string> asked;
    return asked;
}

bool IsFolder(const std::string& path) {
    const FileSystemCall call("stat", path);
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent)
    : QWidget(parent), driveLetter_(StartingDriveLetter()), combo_(new QComboBox(this)) {
    combo_->setEditable(false);
    combo_->setIconSize(QSize(16, 11));
    setFocusProxy(combo_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(combo_);
    connect(combo_, &QComboBox::activated, this, [this](int index) { UserPicked(index); });
}

TDriveComboBox::~TDriveComboBox() {
    if (dirList_) {
        dirList_->SetDriveComboBackLink(nullptr);
    }
}

void TDriveComboBox::SetDriveLetter(char letter) {
    if (ItemIndex() >= 0 && UpperLetter(letter) == UpperLetter(driveLetter_)) {
        return;
    }
    if (letter != '\0') {
        driveLetter_ = textCase_ == tcUpperCase ? UpperLetter(letter) : LowerLetter(letter);
        for (int index = 0; index < Count(); ++index) {
            const std::string text = Item(index);
            if (text.size() >= 2 && UpperLetter(text[0]) == UpperLetter(letter) && text[1] == ':') {
                const QSignalBlocker quiet(combo_);
                combo_->setCurrentIndex(index);
                break;
            }
        }
    } else {
        driveLetter_ = '\0';
        const QSignalBlocker quiet(combo_);
        combo_->setCurrentIndex(-1);
    }
    if (dirList_) {
        dirList_->SwitchDrive(driveLetter_);
    }
    emit OnChange();
}

void TDriveComboBox::SetTextCase(TTextCase textCase) {
    if (textCase == textCase_) {
        return;
    }
    textCase_ = textCase;
    const char previous = driveLetter_;
    RefreshDrives();
    SetDriveLetter(previous);
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
    if (dirList_) {
        dirList_->SetDriveComboBackLink(nullptr);
    }
    dirList_ = list;
    if (list) {
        list->SetDriveComboBackLink(this);
    }
}

void TDriveComboBox::RefreshDrives() {
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    Volumes::Refresh();
    for (const Drive& drive : Volumes::Drives()) {
        const char letter = textCase_ == tcUpperCase ? drive.Letter : LowerLetter(drive.Letter);
        const std::string key(1, letter);
        std::string text;
        switch (drive.Kind) {
        case DriveKind::Removable:
            text = key + ":"; // no label is read, so no medium is asked for
            break;
        case DriveKind::Remote:
            text = key + ": " + NetworkDriveText(drive, letter);
            break;
        case DriveKind::Fixed:
        case DriveKind::CdRom:
        case DriveKind::Ram:
            text = key + ": " + VolumeLabelText(drive, letter);
            break;
        }
        const char* glyph = GlyphName(drive.Kind);
        combo_->addItem(QIcon(LoadGlyph(glyph)), DisplayText(text), QString::fromLatin1(glyph));
    }
    combo_->setCurrentIndex(-1);
    AskWhichMountsAreFolders();
}

void TDriveComboBox::AskWhichMountsAreFolders() {
    // The local disks answer together; each share on its own, so one that never answers keeps
    // its row as the table gave it and holds up no other.
    if (!Volumes::MountPointsMayBeFiles()) {
        return;
    }
    std::vector<std::vector<std::string>> errands(1);
    for (const Drive& drive : Volumes::Drives()) {
        if (!AskedMountPoints().insert(drive.MountPoint).second) {
            continue;
        }
        if (drive.Kind == DriveKind::Remote) {
            errands.push_back({drive.MountPoint});
        } else {
            errands.front().push_back(drive.MountPoint);
        }
    }
    for (std::vector<std::string>& mounts : errands) {
        if (mounts.empty()) {
            continue;
        }
        LookUpOffThread<std::vector<std::string>>(
            this,
            [mounts] {
                std::vector<std::string> notFolders;
                for (const std::string& mount : mounts) {
                    if (!IsFolder(mount)) {
                        notFolders.push_back(mount);
                    }
                }
                return notFolders;
            },
            [this](std::vector<std::string>& notFolders) {
                if (notFolders.empty()) {
                    return;
                }
                for (const std::string& mount : notFolders) {
                    Volumes::LeaveOut(mount);
                }
                const char shown = driveLetter_;
                const std::string dir = dirList_ ? dirList_->CurrentDir() : std::string();
                RefreshDrives();
                // Keys follow the table's order, so the drive shown may have a new one now.
                const char letter = dir.empty() ? shown : Volumes::DriveLetterOf(dir);
                const QSignalBlocker quiet(combo_);
                for (int index = 0; index < Count(); ++index) {
                    const std::string text = Item(index);
                    if (!text.empty() && UpperLetter(text[0]) == UpperLetter(letter)) {
                        driveLetter_ = textCase_ == tcUpperCase ? UpperLetter(letter) : LowerLetter(letter);
                        combo_->setCurrentIndex(index);
                    }
                }
            },
            false);
    }
}

int TDriveComboBox::ItemIndex() const {
    return combo_->currentIndex();
}

int TDriveComboBox::Count() const {
    return combo_->count();
}

std::string TDriveComboBox::Item(int index) const {
    return combo_->itemText(index).toStdString();
}

std::string TDriveComboBox::ItemGlyph(int index) const {
    return combo_->itemData(index).toString().toStdString();
}

void TDriveComboBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!created_) {
        created_ = true;
        RunUserAction([this] {
            RefreshDrives();
            SetDriveLetter(driveLetter_);
        });
    }
}

void TDriveComboBox::UserPicked(int) {
    RunUserAction([this] {
        emit OnClick();
        if (ItemIndex() >= 0) {
            SetDriveLetter(Item(ItemIndex())[0]);
        }
    });
}
