// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TDockLayout.h"
#include "app/TLabeledEdit.h"
#include "app/TPanel.h"
#include "app/TSplitter.h"
#include "app/TVideoPanel.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TDriveComboBox.h"
#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <vector>

namespace {

using LayoutTest = FirstStartTest;

struct Bounds {
    const char* name;
    QRect rect;
};

// Every control's place at the first start, relative to its parent, with the debug panel hidden:
// the file area then reaches from the splitter to the status bar, 104 px taller than designed.
std::vector<Bounds> FirstStartBounds(const TfrmMain& f) {
    (void)f;
    return {
        {"ActionToolBar1", {0, 0, 701, 26}},  {"PanelOption", {0, 26, 701, 79}},
        {"chkEnableVideo", {24, 8, 97, 17}},  {"chkEnableAudio", {144, 8, 97, 17}},
        {"CheckBox1", {256, 8, 209, 17}},     {"edTime", {120, 48, 97, 20}},
        {"edTimeLabel", {120, 33, 48, 12}},   {"edBitRate", {224, 48, 97, 20}},
        {"edSize", {19, 48, 97, 20}},         {"edSizeLabel", {19, 33, 34, 12}},
        {"Panel4", {0, 105, 701, 284}},       {"ScrollBar1", {5, 270, 691, 9}},
        {"PanelVideo", {170, 22, 360, 240}},  {"Splitter2", {0, 389, 701, 3}},
        {"PanelFile", {0, 392, 701, 377}},    {"Panel2", {5, 5, 185, 367}},
        {"DriveComboBox1", {8, 8, 169, 18}},  {"DirectoryListBox1", {9, 32, 168, 326}},
        {"Splitter1", {190, 5, 3, 367}},      {"Panel3", {193, 5, 503, 367}},
        {"FilterComboBox1", {8, 8, 490, 20}}, {"FileListBox1", {8, 32, 490, 328}},
        {"StatusBar1", {0, 769, 701, 19}},
    };
}

void ExpectBounds(const TfrmMain& form, const std::vector<Bounds>& expected) {
    for (const Bounds& control : expected) {
        auto* widget = form.findChild<QWidget*>(QString::fromLatin1(control.name));
        ASSERT_NE(widget, nullptr) << control.name;
        EXPECT_EQ(widget->geometry(), control.rect) << control.name;
    }
}

// The bounds of every visible widget in the window, to compare two moments.
std::vector<std::pair<QRect, bool>> Snapshot(const TfrmMain& form) {
    std::vector<std::pair<QRect, bool>> state;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        state.emplace_back(widget->isVisible() ? widget->geometry() : QRect(), widget->isVisible());
    }
    return state;
}

void DoubleClick(QWidget* widget, QPoint at) {
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
}

void Drag(QWidget* splitter, QPoint by, const std::function<void()>& whileDragging = {}) {
    const QPoint start(1, 1);
    QTest::mousePress(splitter, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + by), splitter->mapToGlobal(QPointF(start + by)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &move);
    if (whileDragging) {
        whileDragging();
    }
    QTest::mouseRelease(splitter, Qt::LeftButton, Qt::NoModifier, start + by);
    QApplication::processEvents();
}

TEST_F(LayoutTest, EveryControlSitsAtItsDesignedBoundsAtFirstStart) {
    // The designed client area, with the frame a window manager draws (if any) at the designed place.
    EXPECT_EQ(form->size(), QSize(701, 788));
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(273, 63));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tarnwick 1.06"));
    ExpectBounds(*form, FirstStartBounds(*form));
    EXPECT_FALSE(form->Panel5->isVisible());
    EXPECT_FALSE(form->edBitRate->isVisible());
    EXPECT_FALSE(form->edBitRate->EditLabel().isVisible());
    EXPECT_FALSE(form->Button1->isVisible());
    EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(form->edTime->text().isEmpty());
    EXPECT_EQ(form->Timer1->interval(), 500);
    EXPECT_TRUE(form->Timer1->isActive());
}

// The lowest line of a picture, within the columns and lines given, that holds a pixel other than the
// background; -1 when there is none.
int LowestInk(const QImage& image, const QRect& area, QColor background) {
    for (int y = area.bottom(); y >= area.top(); --y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != background) {
                return y - area.top();
            }
        }
    }
    return -1;
}

// Names with descenders, a Japanese name and a folder of the same kind: with the installed font the
// rows of both lists must be at least as high as its line, and a name drawn in the list must reach as low as
// the same name drawn with room to spare, so no row covers the foot of the one above.
TEST_F(LayoutTest, EveryRowIsHighEnoughForTheFontAndNoNameIsCut) {
    TempDir dir;
    dir.WriteFile("gjpqy.avi", "");
    dir.WriteFile("gjpqy日本語.avi", "");
    dir.MakeFolder("gjpqy");
    form->DirectoryListBox1->SetCurrentDir(dir.Path());
    QApplication::processEvents();

    auto* files = form->FileListBox1->findChild<QListView*>();
    auto* folders = form->DirectoryListBox1->findChild<QListWidget*>();
    ASSERT_EQ(files->model()->rowCount(), 2);
    // The rows of a list are all as high as its first.
    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(files), static_cast<QAbstractItemView*>(folders)}) {
        EXPECT_GE(list->visualRect(list->model()->index(0, 0)).height(), QFontMetrics(list->font()).height())
            << list->parentWidget()->objectName().toStdString();
    }

    form->FileListBox1->SetItemIndex(-1);
    QApplication::processEvents();
    const QColor base = files->palette().color(QPalette::Base);
    const QRect first = files->visualRect(files->model()->index(0, 0));
    const QString name = files->model()->index(0, 0).data().toString();
    QImage alone(first.width(), first.height() * 3, QImage::Format_RGB32);
    alone.fill(base);
    {
        QPainter painter(&alone);
        painter.setFont(files->font());
        painter.setPen(files->palette().color(QPalette::Text));
        painter.drawText(alone.rect().adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         name);
    }
    const int foot = LowestInk(alone, alone.rect(), base);
    ASSERT_GT(foot, 0);
    EXPECT_LT(foot, first.height()) << "the name's foot lies below its row";
    const QImage shown = files->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(LowestInk(shown, first, base), foot) << "the row shows " << name.toStdString() << " cut off";
}

TEST_F(LayoutTest, TheDebugPanelTakesItsRoomFromTheFileAreaAndTwoDoubleClicksRestoreTheWindow) {
    form->Memo1->setPlainText(QStringLiteral("kept"));
    const auto before = Snapshot(*form);
    const QImage pictureBefore = form->grab().toImage();
    DoubleClick(form->Panel4, QPoint(2, 100));
    ASSERT_TRUE(form->Panel5->isVisible());
    // Docked right below the splitter at its designed size; the video area keeps its height.
    EXPECT_EQ(form->Panel5->geometry(), QRect(0, 392, 701, 104));
    EXPECT_EQ(form->Memo1->geometry(), QRect(1, 40, 699, 63));
    EXPECT_EQ(form->Button2->geometry(), QRect(8, 8, 75, 25));
    EXPECT_EQ(form->Panel4->geometry(), QRect(0, 105, 701, 284));
    EXPECT_EQ(form->PanelFile->geometry(), QRect(0, 496, 701, 273));
    EXPECT_EQ(form->Panel2->geometry(), QRect(5, 5, 185, 263));
    EXPECT_EQ(form->DirectoryListBox1->geometry(), QRect(9, 32, 168, 222));
    EXPECT_EQ(form->FileListBox1->geometry(), QRect(8, 32, 490, 224));
    EXPECT_FALSE(form->Button1->isVisible());
    EXPECT_FALSE(form->edBitRate->isVisible());

    DoubleClick(form->Panel4, QPoint(350, 2));
    EXPECT_FALSE(form->Panel5->isVisible());
    EXPECT_EQ(Snapshot(*form), before);
    EXPECT_EQ(form->grab().toImage(), pictureBefore);
    EXPECT_EQ(form->Memo1->toPlainText(), QStringLiteral("kept"));
}

TEST_F(LayoutTest, OnlyTheVideoAreasOwnSurfaceOpensTheDebugPanel) {
    DoubleClick(form->PanelVideo, QPoint(100, 100));
    DoubleClick(form->ScrollBar1, QPoint(300, 4));
    EXPECT_FALSE(form->Panel5->isVisible());
    // A right double-click on the margin does nothing either.
    QTest::mouseDClick(form->Panel4, Qt::RightButton, Qt::NoModifier, QPoint(2, 100));
    EXPECT_FALSE(form->Panel5->isVisible());
    // The space between the video and the seek bar is the area's own.
    DoubleClick(form->Panel4, QPoint(350, 265));
    EXPECT_TRUE(form->Panel5->isVisible());
}

TEST_F(LayoutTest, TheVideoStaysCentredAtItsOwnSizeAsTheAreaChanges) {
    form->resize(741, 788);
    QApplication::processEvents();
    EXPECT_EQ(form->PanelVideo->geometry(), QRect(190, 22, 360, 240));
    // 5 px narrower than the video: the division truncates toward zero.
    form->resize(355, 788);
    QApplication::processEvents();
    EXPECT_EQ(form->PanelVideo->geometry(), QRect(-2, 22, 360, 240));
}

TEST_F(LayoutTest, DraggingTheSplitterDownGrowsTheVideoAreaOnlyOnRelease) {
    Drag(form->Splitter2, QPoint(0, 50), [this] {
        // While dragging only the line moves.
        EXPECT_TRUE(form->Splitter2->DragLine().isVisible());
        EXPECT_EQ(form->Splitter2->DragLine().geometry(), QRect(0, 439, 701, 3));
        EXPECT_EQ(form->Panel4->height(), 284);
    });
    EXPECT_FALSE(form->Splitter2->DragLine().isVisible());
    EXPECT_EQ(form->Panel4->geometry(), QRect(0, 105, 701, 334));
    EXPECT_EQ(form->PanelFile->geometry(), QRect(0, 442, 701, 327));
    EXPECT_EQ(form->PanelVideo->pos(), QPoint(170, 47));
}

TEST_F(LayoutTest, DraggingTheSplitterUpToTheMinimumCollapsesTheVideoArea) {
    Drag(form->Splitter2, QPoint(0, -253)); // leaves 31 px: kept
    EXPECT_EQ(form->Panel4->height(), 31);
    Drag(form->Splitter2, QPoint(0, -1)); // 30 px: collapsed
    EXPECT_EQ(form->Panel4->height(), 0);
    EXPECT_EQ(form->PanelVideo->y(), -120);
    EXPECT_EQ(form->Splitter2->geometry(), QRect(0, 105, 701, 3));
    // The collapsed area can be pulled open again.
    Drag(form->Splitter2, QPoint(0, 100));
    EXPECT_EQ(form->Panel4->height(), 100);
}

TEST_F(LayoutTest, TheFileAreaKeepsTheMinimumWhenTheSplitterIsDraggedToTheBottom) {
    Drag(form->Splitter2, QPoint(0, 1000));
    EXPECT_EQ(form->PanelFile->height(), TSplitter::kMinSize);
    Drag(form->Splitter1, QPoint(1000, 0));
    EXPECT_EQ(form->Panel3->width(), TSplitter::kMinSize);
    Drag(form->Splitter1, QPoint(-1000, 0));
    EXPECT_EQ(form->Panel2->width(), 0);
}

// The named control that holds the keyboard focus.
QString FocusedControl(const TfrmMain& form, const std::vector<QWidget*>& controls) {
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* control : controls) {
        if (control == focus || control->isAncestorOf(focus)) {
            return control->objectName();
        }
    }
    return focus == nullptr ? QStringLiteral("(none)") : focus->objectName();
    (void)form;
}

QStringList TabThrough(TfrmMain& form, int steps) {
    const std::vector<QWidget*> controls = {form.DriveComboBox1, form.DirectoryListBox1,
                                            form.FileListBox1,   form.FilterComboBox1,
                                            form.ScrollBar1,     form.Memo1,
                                            form.Button2,        form.chkEnableVideo,
                                            form.chkEnableAudio, form.CheckBox1,
                                            form.edTime,         form.edSize};
    form.activateWindow();
    form.edSize->setFocus();
    QApplication::processEvents();
    QStringList seen;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QString name = FocusedControl(form, controls);
        if (seen.isEmpty() || seen.back() != name) {
            seen << name;
        }
    }
    return seen;
}

TEST_F(LayoutTest, TabMovesThroughTheControlsInTheirOrder) {
    const QStringList withoutDebug = {
        "DriveComboBox1", "DirectoryListBox1", "FileListBox1", "FilterComboBox1", "ScrollBar1",
        "chkEnableVideo", "chkEnableAudio",    "CheckBox1",    "edTime",          "edSize"};
    EXPECT_EQ(TabThrough(*form, 10), withoutDebug);
    DoubleClick(form->Panel4, QPoint(2, 100));
    QStringList withDebug = withoutDebug;
    withDebug.insert(5, QStringLiteral("Memo1"));
    withDebug.insert(6, QStringLiteral("Button2"));
    EXPECT_EQ(TabThrough(*form, 12), withDebug);
}

TEST(DockLayoutTest, HiddenControlsTakeNoRoomAndAnchorsKeepTheirDistances) {
    QWidget parent;
    parent.resize(200, 100);
    auto* dock = new TDockLayout(&parent);
    auto* top = new QWidget(&parent);
    auto* hidden = new QWidget(&parent);
    auto* bottom = new QWidget(&parent);
    auto* client = new QWidget(&parent);
    auto* anchored = new QWidget(client);
    auto* clientDock = new TDockLayout(client);
    dock->AddDocked(top, TAlign::Top, 10);
    dock->AddDocked(hidden, TAlign::Top, 20);
    dock->AddDocked(bottom, TAlign::Bottom, 5);
    dock->AddDocked(client, TAlign::Client);
    clientDock->AddAnchored(anchored, QRect(10, 10, 50, 20), QSize(100, 50),
                            akLeft | akTop | akRight | akBottom);
    hidden->hide();
    parent.show();
    QApplication::processEvents();
    EXPECT_EQ(top->geometry(), QRect(0, 0, 200, 10));
    EXPECT_EQ(bottom->geometry(), QRect(0, 95, 200, 5));
    EXPECT_EQ(client->geometry(), QRect(0, 10, 200, 85));
    EXPECT_EQ(anchored->geometry(), QRect(10, 10, 150, 55));
    EXPECT_EQ(dock->FreeRoom(TAlign::Top), 85);
    hidden->show();
    QApplication::processEvents();
    EXPECT_EQ(hidden->geometry(), QRect(0, 10, 200, 20));
    EXPECT_EQ(client->geometry(), QRect(0, 30, 200, 65));
    EXPECT_THROW(dock->SetDockedSize(anchored, 3), std::invalid_argument);
}

} // namespace

namespace {

TEST_F(LayoutTest, TheVideoPanelIsTheOnlyNativeWindowBesideItsAncestors) {
    const WId video = form->PanelVideo->NativeWindow();
    EXPECT_NE(video, 0u);
    EXPECT_NE(video, form->winId());
    // The toolkit draws every other control into its ancestors' windows, beneath the video.
    const QSet<QWidget*> ancestors = {form->Panel4};
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (widget != form->PanelVideo && !ancestors.contains(widget) && !widget->isWindow()) {
            EXPECT_EQ(widget->internalWinId(), 0u) << widget->objectName().toStdString();
        }
    }
    EXPECT_EQ(form->PanelVideo->paintEngine(), nullptr);
    // With no picture drawn into it, the panel shows its own face, not black or an old picture.
    const QPoint middle = form->PanelVideo->mapToGlobal(QPoint(180, 120));
    const QImage shown = form->screen()->grabWindow(0, middle.x(), middle.y(), 1, 1).toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), form->palette().color(QPalette::Button));
}

} // namespace
