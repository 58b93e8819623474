// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/TDirectoryListBox.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

#include <QCursor>
#include <QDir>
#include <QScreen>

namespace {

using ScreenshotTest = FirstStartTest;

// Saves the whole window at its first start, browsing a folder of clips, as the X server shows it, for
// a person to look at.
TEST_F(ScreenshotTest, TheWindowAtFirstStartIsSavedForAPersonToSee) {
    TempDir clips;
    for (const char* name : {"clip.avi", "日本語のクリップ.avi", "gypsy jig.mpg", "Quay (2006).wmv"}) {
        clips.WriteFile(name, "");
    }
    form->DirectoryListBox1->SetCurrentDir(clips.Path());
    // The pointer rests outside the window, so no item shows its hover look.
    QCursor::setPos(0, 0);
    QTest::qWait(200);
    const QRect client = form->geometry();
    const QPixmap shot =
        form->screen()->grabWindow(0, client.x(), client.y(), client.width(), client.height());
    ASSERT_EQ(shot.size(), QSize(701, 788));
    // Not a blank picture: the toolbar's own colour and the panels' face both show.
    const QImage image = shot.toImage();
    EXPECT_EQ(image.pixelColor(700, 13), QColor(247, 246, 238));
    EXPECT_EQ(image.pixelColor(2, 60), form->palette().color(QPalette::Button));
    QDir().mkpath(QStringLiteral(TARNWICK_ARTIFACT_DIR));
    const QString path = QStringLiteral(TARNWICK_ARTIFACT_DIR "/window-first-start.png");
    ASSERT_TRUE(shot.save(path)) << path.toStdString();
    std::printf("screenshot: %s\n", qPrintable(path));
}

} // namespace
