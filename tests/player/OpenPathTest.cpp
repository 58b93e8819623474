// SPDX-License-Identifier: GPL-2.0-or-later
// A file or folder named from outside the window, given at start as the command line does or dropped
// on the window as a file manager does, over the fake graph.

#include "browser/TFileListBox.h"
#include "browser/TFilterComboBox.h"
#include "graph/Halvion.h"
#include "tests/player/ControllerFixture.h"
#include "tests/support/FileUriEncoding.h"
#include "tests/support/Poll.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <algorithm>
#include <cstdio>

namespace {

using OpenPathTest = ControllerTest;
using Strings = std::vector<std::string>;

// Drags a text/uri-list over the window and drops it, then lets the deferred open run; false when the
// window refused the drag.
bool Drop(QWidget& window, const std::string& uriList) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), QByteArray::fromStdString(uriList));
    const QPoint at = window.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QApplication::processEvents();
    return drop.isAccepted();
}

// Stored settings that would resume clip1.avi, so a start that resumes shows in the opened files.
std::string ResumingSettings(const std::string& folder, const std::string& clip) {
    return "[Play]\nDir=" + folder + "\nFile=" + clip + "\nResume=1\nPlaying=1\nPosition=0\n";
}

TEST_F(OpenPathTest, AFileGivenAtStartOrDroppedPlaysUnderTheFirstFilterEntryThatListsIt) {
    // The built-in filter's entries: 0 and 1 list the classic types, 2 ("*.*") everything.
    const struct {
        const char* name;
        bool dropped;
        int entry;
    } cases[] = {
        {"film.avi", false, 0},
        {"film.mp4", false, 2},
        {"映画 #1?.mp4", false, 2},
        {"b\xff"
         "c 100%.wmv",
         false, 0},
        {"映画 #1?.mp4", true, 2},
        {"b\xff"
         "c 100%.wmv",
         true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.dropped ? " dropped" : " at start"));
        TempDir elsewhere;
        const std::string folder = elsewhere.MakeFolder("a #folder?");
        const std::string path = elsewhere.WriteFile(std::string("a #folder?/") + c.name, "");
        NewGraphSystem();
        Graph().AddMedia(path);
        StoreSettings(ResumingSettings(media.Path(), Clip(1)));
        startPath = c.dropped ? "" : path;
        const SeenBox box = Start();
        EXPECT_FALSE(box.seen) << box.text.toStdString();
        if (c.dropped) {
            ASSERT_EQ(Opened(), std::vector<std::string>{Clip(1)})
                << "the stored file resumes without a path";
            ASSERT_TRUE(Drop(*form, "# dragged\r\n" + FileUri(path) + "\r\n"));
            EXPECT_EQ(Opened(), (std::vector<std::string>{Clip(1), path}));
        } else {
            EXPECT_EQ(Opened(), std::vector<std::string>{path}) << "a given file replaces the resume";
        }
        EXPECT_EQ(form->FileListBox1->CurrentDir(), folder);
        EXPECT_EQ(form->FilterComboBox1->ItemIndex(), c.entry);
        EXPECT_EQ(form->FileListBox1->SelectedName(), c.name);
        EXPECT_TRUE(form->PlayerObject()->Playing);
        EXPECT_FALSE(Shutdown().seen);
        EXPECT_EQ(StoredValue("File"), path);
        EXPECT_EQ(StoredValue("Dir"), folder);
        form.reset();
    }
}

TEST_F(OpenPathTest, AFolderIsShownAndNothingPlays) {
    for (const bool dropped : {false, true}) {
        SCOPED_TRACE(dropped ? "dropped" : "at start");
        TempDir elsewhere;
        const std::string folder = elsewhere.MakeFolder("映画 #?");
        elsewhere.WriteFile("映画 #?/clip.avi", "");
        NewGraphSystem();
        StoreSettings(ResumingSettings(media.Path(), Clip(1)));
        startPath = dropped ? "" : folder;
        EXPECT_FALSE(Start().seen);
        const std::size_t openedBefore = Opened().size();
        if (dropped) {
            ASSERT_TRUE(Drop(*form, FileUri(folder) + "\r\n"));
        }
        EXPECT_EQ(form->FileListBox1->CurrentDir(), folder);
        EXPECT_EQ(form->FileListBox1->Count(), 1);
        EXPECT_EQ(form->FileListBox1->SelectedName(), "");
        EXPECT_EQ(Opened().size(), openedBefore);
        EXPECT_EQ(form->PlayerObject()->Playing, dropped) << "a folder at start replaces the resume";
        Shutdown();
        form.reset();
    }
}

TEST_F(OpenPathTest, APathThatCannotBeOpenedIsReportedAndTheProgramGoesOnWithoutIt) {
    const std::string missing = media / "gone #1?.mp4";
    const std::string hidden = media.WriteFile(".hidden.avi", "");
    const struct {
        std::string path;
        bool dropped;
        std::string message; // empty: the window refuses the drop, no box
    } cases[] = {
        {missing, false, "ファイルが見つかりません - " + missing},
        {missing, true, "ファイルが見つかりません - " + missing},
        // The list never shows a hidden file; the double-click must not play row 0 in its place.
        {hidden, true, "不正なファイル名 - " + hidden},
        {"http://example.com/film.mp4", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + (c.dropped ? " dropped" : " at start"));
        NewGraphSystem();
        StoreSettings(ResumingSettings(media.Path(), Clip(1)));
        startPath = c.dropped ? "" : c.path;
        const SeenBox atStart = Start();
        SeenBox seen = atStart;
        if (c.dropped) {
            EXPECT_FALSE(atStart.seen);
            const std::string uri = c.path.starts_with("/") ? FileUri(c.path) : c.path;
            bool accepted = false;
            const std::vector<SeenBox> boxes = AnswerEveryBox([&] { accepted = Drop(*form, uri + "\r\n"); });
            EXPECT_EQ(accepted, !c.message.empty());
            seen = boxes.empty() ? SeenBox{} : boxes.front();
        }
        EXPECT_EQ(seen.seen, !c.message.empty());
        EXPECT_EQ(seen.text.toStdString(), c.message.empty() ? "" : c.message + ".");
        EXPECT_EQ(Opened(), std::vector<std::string>{Clip(1)}) << "the start resumed as without a path";
        EXPECT_EQ(form->FileListBox1->SelectedPath(), Clip(1));
        Shutdown();
        form.reset();
    }
}

// A file dropped while another file opens slowly waits for that open to be over, the error box it ends
// in included: run inside the box, the drop would play the dropped file, and the handler that opened
// the box would then go on against the dropped file's graph.
TEST_F(OpenPathTest, AFileDroppedDuringASlowOpenWaitsUntilTheBoxTheOpenEndsInIsAnswered) {
    StartIn(media.Path());
    form->ActionEnableVideoExecute(); // the build goes through the device renderer: "Render Faild!"
    Script().Fail("Render");
    int renders = 0;
    Script().BeforeCall = [&](const std::string& call) {
        if (call != "Render") {
            return;
        }
        if (++renders == 1) {
            HoldGraphWait([&] { EXPECT_TRUE(Drop(*form, FileUri(Clip(2)) + "\r\n")); });
        } else {
            Script().Heal("Render");
        }
    };
    Strings sourcesInBox;
    const std::vector<SeenBox> boxes = AnswerEveryBox(
        [&] {
            form->FileListBox1->SetItemIndex(0);
            DoubleClick();
            EXPECT_TRUE(PollUntil(
                [&] {
                    QApplication::processEvents();
                    return !Script().CallsStartingWith("AddSourceFilter(" + Clip(2)).empty();
                },
                std::chrono::milliseconds(5000)))
                << "the dropped file was never opened";
        },
        [&] { sourcesInBox = Script().CallsStartingWith("AddSourceFilter"); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Render Faild!"));
    EXPECT_EQ(sourcesInBox, Script().CallsStartingWith("AddSourceFilter(" + Clip(1)))
        << "a handler ran inside the box of the handler that waited";
    // The double-click's handler ends on its own graph: its play comes before the dropped file's open.
    const Strings calls = Script().Calls();
    const auto dropped = std::find_if(calls.begin(), calls.end(), [&](const std::string& call) {
        return call.starts_with("AddSourceFilter(" + Clip(2));
    });
    EXPECT_NE(std::find(calls.begin(), dropped, "Run"), dropped);
    EXPECT_EQ(form->FileListBox1->SelectedName(), "clip2.avi");
    EXPECT_TRUE(form->PlayerObject()->Playing);
}

} // namespace
