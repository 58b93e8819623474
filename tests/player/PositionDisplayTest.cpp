// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TAction.h"
#include "app/TLabeledEdit.h"
#include "browser/TFileListBox.h"
#include "graph/Halvion.h"
#include "tests/player/ControllerFixture.h"

#include <QTest>

namespace {

using Strings = std::vector<std::string>;
using State = FakeGraph::State;

class PositionDisplayTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        StartIn(media.Path());
    }

    QString TimeText() const { return form->edTime->text(); }
    int Bar() const { return form->ScrollBar1->value(); }
};

TEST_F(PositionDisplayTest, TicksDoNothingUntilSomethingPlays) {
    Graph().Current = 50 * Second;
    Tick();
    form->ActionPause->Execute(); // the graph pauses, yet nothing counts as playing
    Tick();
    EXPECT_EQ(TimeText(), QString());
    EXPECT_EQ(Bar(), 0);
    EXPECT_FALSE(Script().Called("GetPositions"));
}

TEST_F(PositionDisplayTest, TheTickShowsTheGraphsPositionTruncatedToTenthsWithHoursUnwrapped) {
    form->ActionPlay->Execute();
    Graph().StopPosition = 200 * Hour;
    Script().ClearCalls();
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "00:00:00.0"},
        {599'999'999, "00:00:59.9"},
        {36'000'000'000, "01:00:00.0"},
        {37'512'345'678, "01:02:31.2"},
        {3'600'000'000'000, "100:00:00.0"},
    };
    for (const auto& [position, text] : cases) {
        Graph().Current = position;
        Tick();
        EXPECT_EQ(TimeText(), QString::fromUtf8(text));
        EXPECT_EQ(Bar(), static_cast<int>(position * 10000 / Graph().StopPosition)) << text;
    }
    // Moving the bar to the position must not seek there: the bar is far coarser than the position.
    EXPECT_TRUE(Script().CallsStartingWith("SetPositions").empty());
    // Paused, the ticks go on reading the graph.
    form->ActionPause->Execute();
    Graph().Current = 7 * Second;
    Tick();
    EXPECT_EQ(TimeText(), QStringLiteral("00:00:07.0"));
    EXPECT_TRUE(Opened().empty());
}

TEST_F(PositionDisplayTest, AfterStopTheBarShowsTheStartAndTheTextKeepsTheLastPosition) {
    form->ActionPlay->Execute();
    Graph().Current = 7'545'000'000;
    Tick();
    EXPECT_EQ(TimeText(), QStringLiteral("00:12:34.5"));
    EXPECT_GT(Bar(), 0);
    form->ActionStop->Execute();
    Tick();
    EXPECT_EQ(Bar(), 0);
    EXPECT_EQ(TimeText(), QStringLiteral("00:12:34.5"));
}

TEST_F(PositionDisplayTest, AtTheEndTheTickWritesTheEndPositionThenPlaysTheNextFile) {
    form->ActionPlay->Execute();
    Graph().Current = Graph().StopPosition;
    Tick();
    EXPECT_EQ(TimeText(), QStringLiteral("01:00:00.0"));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(Opened(), (Strings{Clip(1), Clip(2)}));
    EXPECT_EQ(Graph().GraphState, State::Running);
    EXPECT_EQ(Graph().Current, 0);
    Tick();
    EXPECT_EQ(Opened().size(), 2u) << "one end, one step";

    // Paused at the very end of the last file: the list starts again at its first file, running.
    form->FileListBox1->SetItemIndex(2);
    DoubleClick();
    form->ActionPause->Execute();
    Graph().Current = Graph().StopPosition;
    Tick();
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Opened().back(), Clip(1));
    EXPECT_EQ(Graph().GraphState, State::Running);
    EXPECT_FALSE(form->PlayerObject()->Paused);
}

// A file whose graph could not be built has no length and stands at its end: the next tick moves on.
// A list where every file fails stops after one round instead of cycling for ever; one good file in
// it keeps the round going.
TEST_F(PositionDisplayTest, FilesWithoutLengthAreSteppedOverAndAWholeRoundOfThemStops) {
    Graph().StopPosition = 0;
    form->ActionPlay->Execute();
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
    }
    EXPECT_EQ(Opened(), (Strings{Clip(1), Clip(2), Clip(3)}));
    EXPECT_FALSE(form->PlayerObject()->Playing);
    EXPECT_EQ(Graph().GraphState, State::Stopped);

    // The user's Play starts a new round; a file that ends with a length in the middle resets it.
    Script().ClearCalls();
    form->ActionPlay->Execute();
    Tick();
    Graph().StopPosition = Hour;
    Graph().Current = Hour;
    Tick();
    Graph().StopPosition = 0;
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
    }
    EXPECT_EQ(Opened(), (Strings{Clip(3), Clip(1), Clip(2), Clip(3), Clip(1)}));
    EXPECT_FALSE(form->PlayerObject()->Playing);
}

// A tick that falls inside the playback object's error box must not act: at the end of a file it
// would open the next file in the middle of the open that raised the box.
TEST_F(PositionDisplayTest, TicksInsideThePlayersErrorBoxAreHeldBack) {
    form->ActionPlay->Execute();
    Graph().Current = Graph().StopPosition;
    form->ActionEnableVideo->Execute();
    Script().Fail("AddSourceFilter");
    form->FileListBox1->SetItemIndex(1);
    Script().ClearCalls();

    std::vector<std::string> callsInBoxes;
    const std::vector<SeenBox> boxes =
        AnswerEveryBox([this] { DoubleClick(); },
                       [&] {
                           const std::size_t before = Script().Calls().size();
                           Tick();
                           const auto& calls = Script().Calls();
                           callsInBoxes.insert(callsInBoxes.end(), calls.begin() + before, calls.end());
                       });
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front().text, QStringLiteral("AddSourceFilter Faild!"));
    EXPECT_TRUE(callsInBoxes.empty()) << "a tick inside the box called " << callsInBoxes.front();
    EXPECT_EQ(Script().CallsStartingWith("AddSourceFilter").size(), 1u);
    EXPECT_EQ(Selected(), 1);

    // Once the box is closed, the ticks work again.
    Graph().Current = 3 * Second;
    Tick();
    EXPECT_EQ(TimeText(), QStringLiteral("00:00:03.0"));
}

TEST_F(PositionDisplayTest, EveryScrollCodeSeeksToTheBarsPositionWhateverTheState) {
    const TScrollCode codes[] = {scLineUp, scLineDown, scPageUp, scPageDown, scPosition,
                                 scTrack,  scTop,      scBottom, scEndScroll};
    auto scrollAll = [&](const char* state) {
        int position = 1234;
        for (TScrollCode code : codes) {
            Graph().Current = 0;
            emit form->ScrollBar1->Scrolled(code, position);
            EXPECT_EQ(Graph().Current, Graph().StopPosition * position / 10000) << state << ", code " << code;
            position += 999;
        }
    };
    scrollAll("nothing opened");
    form->ActionPlay->Execute();
    scrollAll("running");
    form->ActionPause->Execute();
    scrollAll("paused");
    form->ActionStop->Execute();
    scrollAll("stopped");

    // The user's own key: End goes to the end, and the key's release seeks there again.
    Script().ClearCalls();
    form->ScrollBar1->setFocus();
    QTest::keyClick(form->ScrollBar1, Qt::Key_End);
    const std::string toTheEnd =
        "SetPositions(" + std::to_string(Hour) + ",1," + std::to_string(Hour) + ",0)";
    EXPECT_EQ(Script().CallsStartingWith("SetPositions"), Strings(2, toTheEnd));
}

} // namespace
