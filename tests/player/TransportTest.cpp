// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TAction.h"
#include "app/TLabeledEdit.h"
#include "browser/TDirectoryListBox.h"
#include "browser/TFileListBox.h"
#include "graph/Halvion.h"
#include "tests/player/ControllerFixture.h"

namespace {

using Strings = std::vector<std::string>;
using State = FakeGraph::State;

class TransportTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        StartIn(media.Path());
        ASSERT_EQ(form->FileListBox1->Count(), 3);
        ASSERT_EQ(form->FileListBox1->Item(0), "clip1.avi");
        ASSERT_EQ(Selected(), -1);
    }

    THalvion& Player() { return *form->PlayerObject(); }

    // Playback runs from the start of the file: the graph runs, the player plays and is not paused.
    void ExpectRunningFromTheStart() {
        EXPECT_EQ(Graph().GraphState, State::Running);
        EXPECT_EQ(Graph().Current, 0);
        EXPECT_TRUE(Player().Playing);
        EXPECT_FALSE(Player().Paused);
    }
};

TEST_F(TransportTest, WithNothingSelectedNextAndPreviousBothPlayTheFirstRow) {
    form->ActionNext->Execute();
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Opened(), Strings{Clip(1)});
    ExpectRunningFromTheStart();

    // Previous from no selection asks for row -2, which the list refuses; the open then takes row 0.
    form->FileListBox1->SetItemIndex(-1);
    Graph().Current = 5 * Second;
    form->ActionPrev->Execute();
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Opened(), (Strings{Clip(1), Clip(1)}));
    ExpectRunningFromTheStart();
}

TEST_F(TransportTest, SteppingWrapsRoundAtBothEnds) {
    form->FileListBox1->SetItemIndex(2);
    form->ActionNext->Execute();
    EXPECT_EQ(Selected(), 0);
    form->ActionPrev->Execute();
    EXPECT_EQ(Selected(), 2);
    form->ActionPrev->Execute();
    EXPECT_EQ(Selected(), 1);
    form->ActionNext->Execute();
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Opened(), (Strings{Clip(1), Clip(3), Clip(2), Clip(3)}));
    ExpectRunningFromTheStart();
}

TEST_F(TransportTest, AListOfOneFileReplaysThatFileFromItsStart) {
    TempDir single;
    const std::string only = single.WriteFile("only.avi", "");
    Graph().AddMedia(only);
    form->DirectoryListBox1->SetCurrentDir(single.Path());
    ASSERT_EQ(form->FileListBox1->Count(), 1);

    form->ActionPlay->Execute();
    Graph().Current = 20 * Second;
    form->ActionNext->Execute();
    ExpectRunningFromTheStart();
    Graph().Current = 20 * Second;
    form->ActionPrev->Execute();
    ExpectRunningFromTheStart();
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Opened(), (Strings{only, only, only}));
}

TEST_F(TransportTest, AnEmptyListHandsTheEmptyPathToTheGraph) {
    TempDir empty;
    empty.WriteFile("readme.txt", "");
    form->DirectoryListBox1->SetCurrentDir(empty.Path());
    ASSERT_EQ(form->FileListBox1->Count(), 0);

    form->ActionNext->Execute();
    form->ActionPrev->Execute();
    DoubleClick();
    form->ActionStop->Execute();
    form->ActionPlay->Execute();
    EXPECT_EQ(Opened(), Strings(4, ""));
    EXPECT_EQ(Selected(), -1);
}

TEST_F(TransportTest, PauseWhileIdlePausesTheGraphAndTheNextPlayOpensTheSelectionFromItsStart) {
    form->ActionPause->Execute();
    EXPECT_EQ(Graph().GraphState, State::Paused);
    EXPECT_TRUE(form->ActionPause->Checked());
    EXPECT_FALSE(Player().Playing);
    EXPECT_TRUE(Opened().empty());

    form->ActionPlay->Execute();
    EXPECT_EQ(Opened(), Strings{Clip(1)});
    EXPECT_FALSE(form->ActionPause->Checked());
    ExpectRunningFromTheStart();
}

TEST_F(TransportTest, PauseStopPauseRunsTheGraphUncheckedWhileNothingCountsAsPlaying) {
    form->ActionPlay->Execute();
    form->ActionPause->Execute();
    EXPECT_EQ(Graph().GraphState, State::Paused);
    EXPECT_TRUE(form->ActionPause->Checked());

    form->ActionStop->Execute();
    EXPECT_EQ(Graph().GraphState, State::Stopped);
    EXPECT_FALSE(Player().Playing);
    EXPECT_TRUE(Player().Paused) << "Stop leaves the pause mark";
    EXPECT_TRUE(form->ActionPause->Checked()) << "only Play and Pause set the check";

    form->ActionPause->Execute();
    EXPECT_EQ(Graph().GraphState, State::Running);
    EXPECT_FALSE(form->ActionPause->Checked());
    EXPECT_FALSE(Player().Playing);
    EXPECT_FALSE(Player().Paused);
}

TEST_F(TransportTest, PlayWhilePlayingOrPausedGoesOnWhereItStandsWithoutReopening) {
    form->ActionPlay->Execute();
    Graph().Current = 70 * Second;
    form->ActionPlay->Execute();
    EXPECT_EQ(Graph().GraphState, State::Running);
    EXPECT_FALSE(form->ActionPause->Checked());

    form->ActionPause->Execute();
    form->ActionPlay->Execute();
    EXPECT_EQ(Graph().GraphState, State::Running);
    EXPECT_FALSE(Player().Paused);
    EXPECT_FALSE(form->ActionPause->Checked());
    EXPECT_EQ(Graph().Current, 70 * Second);
    EXPECT_EQ(Opened(), Strings{Clip(1)});
}

TEST_F(TransportTest, PlayAfterStopOpensTheFileNowSelectedNotTheOneStopped) {
    form->ActionPlay->Execute();
    form->ActionStop->Execute();
    form->FileListBox1->SetItemIndex(2);
    form->ActionPlay->Execute();
    EXPECT_EQ(Opened(), (Strings{Clip(1), Clip(3)}));
    ExpectRunningFromTheStart();
}

TEST_F(TransportTest, ADoubleClickReopensTheSelectionFromItsStartWhateverPlays) {
    form->ActionPlay->Execute();
    Graph().Current = 300 * Second;
    form->FileListBox1->SetItemIndex(1);
    DoubleClick();
    EXPECT_EQ(Opened(), (Strings{Clip(1), Clip(2)}));
    ExpectRunningFromTheStart();
    DoubleClick();
    EXPECT_EQ(Opened(), (Strings{Clip(1), Clip(2), Clip(2)}));
    ExpectRunningFromTheStart();
}

TEST_F(TransportTest, ThePauseCheckStaysThroughStopNextPreviousAndDoubleClickUntilPlay) {
    form->ActionPlay->Execute();
    form->ActionPause->Execute();
    form->ActionNext->Execute();
    EXPECT_TRUE(form->ActionPause->Checked());
    ExpectRunningFromTheStart();
    form->ActionStop->Execute();
    form->ActionPrev->Execute();
    DoubleClick();
    EXPECT_TRUE(form->ActionPause->Checked());
    form->ActionPlay->Execute();
    EXPECT_FALSE(form->ActionPause->Checked());
}

TEST_F(TransportTest, SkipsSeekByTheirAmountsInEveryStateAndChangeNothingElse) {
    const std::pair<TAction*, std::int64_t> skips[] = {
        {form->ActionRew15, -15}, {form->ActionRew5, -5},   {form->ActionPlus5, 5},
        {form->ActionPlus15, 15}, {form->ActionPlus30, 30}, {form->ActionPlus60, 60},
        {form->ActionPlus90, 90},
    };
    const std::int64_t from = 600 * Second;
    auto skipAll = [&](const char* state) {
        const int selected = Selected();
        const bool checked = form->ActionPause->Checked();
        const bool playing = Player().Playing;
        const bool paused = Player().Paused;
        const State graphState = Graph().GraphState;
        for (const auto& [action, seconds] : skips) {
            Graph().Current = from;
            action->Execute();
            EXPECT_EQ(Graph().Current, from + seconds * Second) << state << ", " << seconds << " s";
        }
        EXPECT_EQ(Selected(), selected) << state;
        EXPECT_EQ(form->ActionPause->Checked(), checked) << state;
        EXPECT_EQ(Player().Playing, playing) << state;
        EXPECT_EQ(Player().Paused, paused) << state;
        EXPECT_EQ(Graph().GraphState, graphState) << state;
    };

    skipAll("nothing opened");
    form->FileListBox1->SetItemIndex(1);
    skipAll("a row selected, nothing opened");
    form->ActionPlay->Execute();
    skipAll("running");
    form->ActionPause->Execute();
    skipAll("paused");
    form->ActionStop->Execute();
    skipAll("stopped while paused");
    form->ActionPause->Execute();
    skipAll("idle with the graph running");
    EXPECT_EQ(Opened(), Strings{Clip(2)});
}

TEST_F(TransportTest, TheSizeFieldShowsTheFrameOfTheFileLastOpenedUntilTheNextOpen) {
    EXPECT_EQ(form->edSize->text(), QString());
    form->ActionPlay->Execute();
    EXPECT_EQ(form->edSize->text(), QStringLiteral("幅=720 高=480"));
    form->ActionStop->Execute();
    EXPECT_EQ(form->edSize->text(), QStringLiteral("幅=720 高=480"));

    Graph().SourceWidth = 1920;
    Graph().SourceHeight = -1;
    form->ActionNext->Execute();
    EXPECT_EQ(form->edSize->text(), QStringLiteral("幅=1920 高=-1"));
}

} // namespace
