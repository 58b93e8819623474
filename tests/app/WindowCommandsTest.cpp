// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TAction.h"
#include "app/TActionCheckBox.h"
#include "app/TActionManager.h"
#include "app/TActionToolBar.h"
#include "app/TImageList.h"
#include "app/TLabeledEdit.h"
#include "core/ProfileFile.h"
#include "core/SettingsFileName.h"
#include "graph/Halvion.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/Poll.h"
#include "tests/support/fakegraph/FakeGraphSystem.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRawFont>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>

namespace {

// A popup menu's items as the user sees them, the checked one marked with "* ".
QStringList MenuItems(QMenu* menu) {
    QStringList items;
    for (QAction* item : menu->actions()) {
        if (!item->isSeparator()) {
            items << (item->isChecked() ? "* " : "  ") + item->text();
        }
    }
    return items;
}

void ChooseItem(QMenu* menu, const QString& text) {
    for (QAction* item : menu->actions()) {
        if (item->text() == text) {
            item->trigger();
        }
    }
    menu->close();
    QApplication::processEvents();
}

using CommandsTest = FirstStartTest;

QList<TActionToolItem*> ToolItems(const TfrmMain& form) {
    return form.ActionToolBar1->findChildren<TActionToolItem*>();
}

TEST_F(CommandsTest, TheSixteenActionsCarryTheirCategoriesCaptionsAndImages) {
    struct Expected {
        const char* name;
        const char* category;
        QString caption;
        int image;
    };
    const Expected expected[] = {
        {"ActionPlay", "Play", "再生", 0},
        {"ActionPause", "Play", "一時停止", 4},
        {"ActionStop", "Play", "停止", 1},
        {"ActionExit", "File", "ActionExit", -1},
        {"ActionPrev", "Play", "前のファイル", 2},
        {"ActionNext", "Play", "次のファイル", 3},
        {"ActionEnableVideo", "Play", "映像出力", -1},
        {"ActionEnableAudio", "Play", "音声出力", -1},
        {"ActionResume", "Play", "次回起動時、終了した所から再生", -1},
        {"ActionRew15", "Play", "-15秒", -1},
        {"ActionRew5", "Play", "-5秒", -1},
        {"ActionPlus5", "Play", "+5秒", -1},
        {"ActionPlus15", "Play", "+15秒", -1},
        {"ActionPlus30", "Play", "+30秒", -1},
        {"ActionPlus60", "Play", "+60秒", -1},
        {"ActionPlus90", "Play", "+90秒", -1},
    };
    const auto& actions = form->ActionManager1->Actions();
    ASSERT_EQ(actions.size(), std::size(expected));
    for (size_t i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->objectName(), QString::fromLatin1(expected[i].name));
        EXPECT_EQ(actions[i]->Category(), QString::fromLatin1(expected[i].category));
        EXPECT_EQ(actions[i]->Caption(), expected[i].caption);
        EXPECT_EQ(actions[i]->ImageIndex(), expected[i].image);
        // With no settings file, resuming at the next start is on; every other action starts unchecked.
        EXPECT_EQ(actions[i]->Checked(), actions[i] == form->ActionResume) << expected[i].name;
    }
    // The menu bar that nothing shows still offers the exit command.
    ASSERT_EQ(form->ActionManager1->ActionBars.size(), 2u);
    const auto& menu = form->ActionManager1->ActionBars[1];
    EXPECT_EQ(menu.Caption, QStringLiteral("&File"));
    ASSERT_EQ(menu.Items.size(), 2u);
    EXPECT_EQ(menu.Items[1].Action, form->ActionExit);
    EXPECT_EQ(menu.Items[1].Caption, QStringLiteral("A&ctionExit"));
}

TEST_F(CommandsTest, TheToolbarShowsTwelveItemsWithTheirOwnCaptionsAndImagesWithoutGaps) {
    const QStringList captions = {"再生(&Z)",
                                  "一時停止",
                                  "停止(&Y)",
                                  "前のファイル(&X)",
                                  "次のファイル(&W)",
                                  "-15秒",
                                  "-5秒",
                                  "+5秒",
                                  "+15秒",
                                  "+30秒",
                                  "+60秒",
                                  "+90秒"};
    const auto items = ToolItems(*form);
    ASSERT_EQ(items.size(), captions.size());
    int right = 0;
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->text(), captions[i]);
        EXPECT_EQ(items[i]->icon().isNull(), i >= 5) << i;
        EXPECT_EQ(items[i]->x(), right) << "gap before item " << i;
        EXPECT_EQ(items[i]->height(), 26);
        right = items[i]->geometry().right() + 1;
    }
    EXPECT_EQ(items[1]->Action().objectName(), QStringLiteral("ActionPause"));
    // The bar beyond the items has the bar's own colour.
    const QImage bar = form->ActionToolBar1->grab().toImage();
    EXPECT_EQ(bar.pixelColor(bar.width() - 2, 13), QColor(247, 246, 238));
}

TEST_F(CommandsTest, AToolbarItemRunsItsActionOnceAndTheUnderlinedLetterIsNoShortcut) {
    int plays = 0;
    form->ActionPlay->SetOnExecute([&plays] { ++plays; });
    QTest::mouseClick(ToolItems(*form)[0], Qt::LeftButton);
    EXPECT_EQ(plays, 1);
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::AltModifier);
    QTest::keyClick(form.get(), Qt::Key_Z);
    EXPECT_EQ(plays, 1);
}

TEST_F(CommandsTest, ThePauseItemLooksPressedWhileItsActionIsChecked) {
    TActionToolItem* pause = ToolItems(*form)[1];
    const QImage normal = pause->grab().toImage();
    form->ActionPause->SetChecked(true);
    const QImage checked = pause->grab().toImage();
    EXPECT_NE(checked, normal);
    EXPECT_EQ(checked.pixelColor(checked.width() - 3, 3), pause->palette().color(QPalette::Button));
    form->ActionPause->SetChecked(false);
    EXPECT_EQ(pause->grab().toImage(), normal);
}

TEST_F(CommandsTest, ClickingAnOptionBoxTogglesItsActionExactlyOnceAndTheTwoAgree) {
    QSignalSpy changes(form->ActionEnableVideo, &TAction::Changed);
    QTest::mouseClick(form->chkEnableVideo, Qt::LeftButton);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(form->ActionEnableVideo->Checked());
    EXPECT_TRUE(form->chkEnableVideo->isChecked());
    QTest::mouseClick(form->chkEnableVideo, Qt::LeftButton);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FALSE(form->ActionEnableVideo->Checked());
    EXPECT_FALSE(form->chkEnableVideo->isChecked());
    // The box follows a change the program makes, and a handler that leaves the state alone
    // leaves the box alone.
    form->ActionResume->SetChecked(true);
    EXPECT_TRUE(form->CheckBox1->isChecked());
    form->ActionEnableAudio->SetOnExecute([] {});
    QTest::mouseClick(form->chkEnableAudio, Qt::LeftButton);
    EXPECT_FALSE(form->chkEnableAudio->isChecked());
    EXPECT_EQ(form->chkEnableAudio->text(), QStringLiteral("音声出力"));
    EXPECT_EQ(form->CheckBox1->text(), QStringLiteral("次回起動時、終了した所から再生"));
}

// The right button on 音声出力 offers the sound server's outputs, marks the one chosen, keeps a chosen
// output that is gone under the description it had, and never toggles the box.
TEST(AudioOutputMenuTest, TheRightButtonOffersTheOutputsAndNeverTogglesTheBox) {
    std::remove(SettingsFileName().c_str());
    const auto system = std::make_shared<FakeGraphSystem>();
    system->SoundOutputs = {{"hdmi", "HDMI 音声"}, {"usb", "USB ヘッドセット"}};
    TfrmMain form(system);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const auto openMenu = [&form]() -> QMenu* {
        QTest::mouseClick(form.chkEnableAudio, Qt::RightButton);
        const QPoint where(10, 8);
        QContextMenuEvent event(QContextMenuEvent::Mouse, where, form.chkEnableAudio->mapToGlobal(where));
        QApplication::sendEvent(form.chkEnableAudio, &event);
        QApplication::processEvents();
        // The last one made: a menu closed before may not be deleted yet.
        const auto menus = form.findChildren<QMenu*>(QStringLiteral("PopupAudioOutput"));
        return menus.isEmpty() ? nullptr : menus.back();
    };

    QMenu* menu = openMenu();
    ASSERT_TRUE(menu);
    EXPECT_FALSE(form.ActionEnableAudio->Checked()) << "the right button toggled 音声出力";
    EXPECT_EQ(MenuItems(menu), (QStringList{"* 既定の出力", "  HDMI 音声", "  USB ヘッドセット"}));
    ChooseItem(menu, "USB ヘッドセット");
    EXPECT_EQ(form.PlayerObject()->ChosenAudioOutput(), "usb");

    // The headset is unplugged: it stays chosen, and says so.
    system->SoundOutputs = {{"hdmi", "HDMI 音声"}};
    menu = openMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(MenuItems(menu),
              (QStringList{"  既定の出力", "  HDMI 音声", "* USB ヘッドセット (接続されていません)"}));
    ChooseItem(menu, "既定の出力");
    EXPECT_EQ(form.PlayerObject()->ChosenAudioOutput(), "");
    EXPECT_FALSE(form.ActionEnableAudio->Checked());
    EXPECT_FALSE(form.chkEnableAudio->isChecked());
}

// The right button on 映像出力 offers automatic, each monitor the X server lists and full screen,
// marks the choice, keeps a chosen monitor that is gone, and never toggles the box. A choice goes to
// the graph at once and is kept at shutdown; a stored monitor that is absent puts the picture in a
// window beside the player, not full screen over it.
TEST(DeviceScreenMenuTest, TheRightButtonOffersTheMonitorsAndFullScreenAndNeverTogglesTheBox) {
    std::remove(SettingsFileName().c_str());
    {
        const ProfileFile stored(SettingsFileName());
        stored.WriteString("Device", "Monitor", "HDMI-9 1920x1080+1920+0");
        stored.WriteString("Device", "FullScreen", "1");
    }
    const auto system = std::make_shared<FakeGraphSystem>();
    auto form = std::make_unique<TfrmMain>(system);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const auto openMenu = [&form]() -> QMenu* {
        QTest::mouseClick(form->chkEnableVideo, Qt::RightButton);
        const QPoint where(10, 8);
        QContextMenuEvent event(QContextMenuEvent::Mouse, where, form->chkEnableVideo->mapToGlobal(where));
        QApplication::sendEvent(form->chkEnableVideo, &event);
        QApplication::processEvents();
        const auto menus = form->findChildren<QMenu*>(QStringLiteral("PopupDeviceScreen"));
        return menus.isEmpty() ? nullptr : menus.back();
    };
    const auto placements = [&system] { return system->Script().CallsStartingWith("SetDeviceScreen"); };

    // The test server's one monitor, as Xvfb names it.
    const int width = qRound(form->screen()->geometry().width() * form->devicePixelRatio());
    const int height = qRound(form->screen()->geometry().height() * form->devicePixelRatio());
    const QString screen = QStringLiteral("screen (%1×%2) – このウィンドウ").arg(width).arg(height);
    // The settings are read at the first showing, which may come after the window is exposed.
    EXPECT_TRUE(PollUntil(
        [&] {
            QApplication::processEvents();
            return !placements().empty();
        },
        std::chrono::milliseconds(10000)));
    EXPECT_EQ(placements(), (std::vector<std::string>{"SetDeviceScreen(0,0)"}));
    QMenu* menu = openMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(MenuItems(menu),
              (QStringList{"  自動", "  " + screen, "* HDMI-9 (接続されていません)", "* 全画面表示"}));
    ChooseItem(menu, screen);
    EXPECT_EQ(placements().back(), "SetDeviceScreen(0,1)");
    menu = openMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(MenuItems(menu), (QStringList{"  自動", "* " + screen, "* 全画面表示"}));
    ChooseItem(menu, "全画面表示");
    EXPECT_EQ(placements().back(), "SetDeviceScreen(0,0)");
    EXPECT_FALSE(form->ActionEnableVideo->Checked());
    EXPECT_FALSE(form->chkEnableVideo->isChecked());

    form.reset();
    const ProfileFile stored(SettingsFileName());
    EXPECT_EQ(stored.ReadString("Device", "Monitor", "?"),
              "screen " + std::to_string(width) + "x" + std::to_string(height) + "+0+0");
    EXPECT_EQ(stored.ReadString("Device", "FullScreen", "?"), "0");
}

TEST_F(CommandsTest, TheStatusBarStaysEmptyAndTheHiddenControlsStayHidden) {
    // The commands play whatever the test's folder lists; the playback object's complaints about
    // files that are not media are answered as a user would.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(20);
    for (TActionToolItem* item : ToolItems(*form)) {
        QTest::mouseMove(item);
        QTest::mouseClick(item, Qt::LeftButton);
    }
    QTest::mouseClick(form->chkEnableVideo, Qt::LeftButton);
    QTest::mouseDClick(form->Panel4, Qt::LeftButton, Qt::NoModifier, QPoint(2, 100));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QTest::qWait(600);
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
    EXPECT_FALSE(form->edBitRate->isVisible());
    EXPECT_FALSE(form->Button1->isVisible());
}

TEST_F(CommandsTest, EveryCaptionIsDrawnInAJapaneseGothicThatHasAllItsCharacters) {
    const QFontInfo resolved(form->font());
    EXPECT_EQ(form->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(form->font().pixelSize(), 12);
    EXPECT_TRUE(resolved.family().contains(QStringLiteral("JP")) ||
                resolved.family().contains(QStringLiteral("Gothic")))
        << resolved.family().toStdString();
    QStringList captions;
    for (TAction* action : form->ActionManager1->Actions()) {
        captions << action->Caption();
    }
    for (TActionToolItem* item : ToolItems(*form)) {
        captions << item->text().remove(u'&');
    }
    for (QLabel* label : form->findChildren<QLabel*>()) {
        captions << label->text();
    }
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        captions << button->text().remove(u'&');
    }
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        const QRawFont font = QRawFont::fromFont(widget->font());
        ASSERT_TRUE(font.isValid()) << widget->objectName().toStdString();
        EXPECT_EQ(font.familyName().toLower(), resolved.family().toLower())
            << widget->objectName().toStdString();
    }
    const QRawFont font = QRawFont::fromFont(form->font());
    for (const QString& caption : captions) {
        for (char32_t character : caption.toUcs4()) {
            EXPECT_TRUE(font.supportsCharacter(character))
                << caption.toStdString() << " lacks U+" << std::hex << static_cast<unsigned>(character);
        }
    }
}

TEST(ImageListTest, FiveFramedSixteenPixelImagesWithTransparentCorners) {
    const TImageList images = TImageList::TransportImages();
    ASSERT_EQ(images.Count(), 5);
    for (int i = 0; i < images.Count(); ++i) {
        const QImage image = images.Image(i).toImage();
        EXPECT_EQ(image.size(), QSize(16, 16));
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(image.pixelColor(15, 15).alpha(), 0);
        EXPECT_EQ(image.pixelColor(8, 8).alpha(), 255);
        for (int j = 0; j < i; ++j) {
            EXPECT_NE(image, images.Image(j).toImage()) << i << " draws like " << j;
        }
    }
    EXPECT_TRUE(images.Icon(-1).isNull());
    EXPECT_TRUE(images.Icon(5).isNull());
}

TEST(ImageListTest, PixelArtWithRaggedRowsOrUnknownColoursIsRefused) {
    EXPECT_THROW(TImageList::FromPixelArt({"..", "."}, "k=#000000"), std::invalid_argument);
    EXPECT_THROW(TImageList::FromPixelArt({"kx"}, "k=#000000"), std::invalid_argument);
    EXPECT_THROW(TImageList::FromPixelArt({"k"}, "k=nocolour"), std::invalid_argument);
    const QImage ok = TImageList::FromPixelArt({".k"}, "k=#102030").toImage();
    EXPECT_EQ(ok.pixelColor(1, 0), QColor(0x10, 0x20, 0x30));
}

} // namespace
