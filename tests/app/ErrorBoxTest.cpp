// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ErrorBox.h"

#include "core/Errors.h"
#include "app/TAction.h"
#include "app/TActionToolBar.h"
#include "app/TPanel.h"
#include "tests/app/WindowTestSupport.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

namespace {

TEST(ErrorBoxTextTest, AFullStopFollowsALetterADigitOrAJapaneseCharacterOnly) {
    EXPECT_EQ(ErrorBoxText("Cannot open file"), "Cannot open file.");
    EXPECT_EQ(ErrorBoxText("I/O error 5"), "I/O error 5.");
    EXPECT_EQ(ErrorBoxText("'abc' は整数ではありません"), "'abc' は整数ではありません.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Faild!"), "Faild!");
    EXPECT_EQ(ErrorBoxText("(code 5)"), "(code 5)");
    EXPECT_EQ(ErrorBoxText("trailing space "), "trailing space ");
    EXPECT_EQ(ErrorBoxText("slash/"), "slash/.");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(ErrorBoxText("emoji 🎬"), "emoji 🎬.");
}

using ErrorBoxTest = FirstStartTest;

TEST_F(ErrorBoxTest, AnErrorFromAHandlerIsShownAndTheProgramGoesOn) {
    int runs = 0;
    form->ActionRew5->SetOnExecute([&runs] {
        ++runs;
        throw EInvalidOperation("ファイルが見つかりません");
    });
    auto* item = form->ActionToolBar1->findChildren<TActionToolItem*>()[6];
    const SeenBox first = AnswerBoxOpenedBy([item] { QTest::mouseClick(item, Qt::LeftButton); });
    ASSERT_TRUE(first.seen);
    EXPECT_EQ(first.title, QApplication::applicationName());
    EXPECT_EQ(first.text, QStringLiteral("ファイルが見つかりません."));
    EXPECT_EQ(first.icon, QMessageBox::Critical);
    EXPECT_EQ(first.buttons, QMessageBox::Ok);
    // The window is still there and the next event is handled as usual.
    const SeenBox second = AnswerBoxOpenedBy([item] { QTest::mouseClick(item, Qt::LeftButton); });
    EXPECT_TRUE(second.seen);
    EXPECT_EQ(runs, 2);
    QTest::mouseDClick(form->Panel4, Qt::LeftButton, Qt::NoModifier, QPoint(2, 100));
    EXPECT_TRUE(form->Panel5->isVisible());
}

TEST_F(ErrorBoxTest, AnErrorFromAnOptionBoxLeavesTheBoxAsTheActionIs) {
    form->ActionEnableVideo->SetOnExecute([] { throw EConvertError("bad (1)"); });
    const SeenBox box =
        AnswerBoxOpenedBy([this] { QTest::mouseClick(form->chkEnableVideo, Qt::LeftButton); });
    EXPECT_EQ(box.text, QStringLiteral("bad (1)"));
    EXPECT_FALSE(form->chkEnableVideo->isChecked());
}

// An object whose own event handling fails, as a toolkit override outside the handlers might.
class TFailingReceiver : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw EInOutError("I/O error 5", 5);
        }
        return QObject::event(event);
    }
};

TEST(ApplicationTest, AnErrorEscapingEventDeliveryReachesTheErrorBox) {
    TFailingReceiver receiver;
    const SeenBox sent = AnswerBoxOpenedBy([&receiver] {
        QEvent event(QEvent::User);
        QApplication::sendEvent(&receiver, &event);
    });
    EXPECT_EQ(sent.text, QStringLiteral("I/O error 5."));
    const SeenBox posted = AnswerBoxOpenedBy([&receiver] {
        QApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QApplication::processEvents();
    });
    EXPECT_TRUE(posted.seen);
}

TEST(ApplicationTest, TheTitleIsTheProgramsOwnName) {
    // The test program is window_tests; the program itself, tarnwick, is "tarnwick".
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("window_tests"));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_TRUE(QApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings));
}

using WindowLinksTest = FirstStartTest;

TEST_F(WindowLinksTest, TheProgramMovesTheSeekBarWithoutAScrollEventButTheUserScrolls) {
    QSignalSpy scrolls(form->ScrollBar1, &TScrollBar::Scrolled);
    form->SetMax(10000);
    form->SetPosition(2500);
    EXPECT_EQ(form->ScrollBar1->value(), 2500);
    EXPECT_EQ(form->ScrollBar1->maximum(), 10000);
    EXPECT_EQ(scrolls.count(), 0);
    // A click on the right arrow: one step, then the end of the scroll.
    const QRect bar = form->ScrollBar1->rect();
    QTest::mouseClick(form->ScrollBar1, Qt::LeftButton, Qt::NoModifier,
                      QPoint(bar.right() - 2, bar.center().y()));
    ASSERT_EQ(scrolls.count(), 2);
    EXPECT_EQ(scrolls[0][0].value<TScrollCode>(), scLineDown);
    EXPECT_EQ(scrolls[0][1].toInt(), 2501);
    EXPECT_EQ(scrolls[1][0].value<TScrollCode>(), scEndScroll);
    EXPECT_EQ(scrolls[1][1].toInt(), 2501);
}

TEST_F(WindowLinksTest, ThePlaybackErrorBoxIsModalOverTheWindowWithOnlyOk) {
    const SeenBox box = AnswerBoxOpenedBy([this] {
        EXPECT_FALSE(form->ErrorBoxShowing());
        form->ShowError("Error", "Render Faild!");
    });
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.text, QStringLiteral("Render Faild!"));
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(box.parent, form.get());
    EXPECT_FALSE(form->ErrorBoxShowing());
}

TEST_F(WindowLinksTest, LinesAppendToTheMemoAndFilterInfoWithoutAGraphAddsNothing) {
    form->AppendLine("Video Renderer");
    form->AppendLine("ソース");
    EXPECT_EQ(form->Memo1->toPlainText(), QStringLiteral("Video Renderer\nソース"));
    QTest::mouseDClick(form->Panel4, Qt::LeftButton, Qt::NoModifier, QPoint(2, 100));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(form->Memo1->toPlainText(), QStringLiteral("Video Renderer\nソース"));
}

} // namespace

#include "app/ApplicationTitle.h"

namespace {

TEST(ApplicationTitleTest, TheFileNameUpToItsFirstDotWithTheLettersAfterTheFirstLowered) {
    EXPECT_EQ(ApplicationTitleFor("/usr/bin/tarnwick"), "tarnwick");
    EXPECT_EQ(ApplicationTitleFor("/usr/bin/TARNWICK"), "Tarnwick");
    EXPECT_EQ(ApplicationTitleFor("/opt/x.y/VIEWER.EXE"), "Viewer");
    EXPECT_EQ(ApplicationTitleFor("/opt/tar.wick.bin"), "tar");
    EXPECT_EQ(ApplicationTitleFor("/opt/ÉCRAN"), "Écran");
    EXPECT_EQ(ApplicationTitleFor("/opt/.hidden"), "");
}

} // namespace
