// SPDX-License-Identifier: GPL-2.0-or-later
// Reads the running program's controls back the way a screen reader does: over AT-SPI, on a D-Bus
// session of the test's own, from a copy of the program started in a folder with known files.

#include "tests/support/RunningPlayer.h"
#include "tests/support/TestServers.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace {

class AccessibilityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureTestServers();
        PlayerInstall install(".vob");
        for (const char* name : {"clip1.avi", "clip2.mp4", "clip3.vob"}) {
            std::ofstream(install.Clip(name)).flush();
        }
        RunningPlayer running(install);
        ready_ = running.WaitUntilReady();
        objects_ = new std::vector<SeenObject>(running.Objects());
    }
    static void TearDownTestSuite() { delete objects_; }

    void SetUp() override { ASSERT_TRUE(ready_) << "the window never showed its controls"; }

    // Whether an object whose role and name match the patterns is seen; its text, when one is given,
    // must be that text.
    static bool Seen(const std::string& role, const std::string& name, const char* text = nullptr) {
        const std::regex rolePattern(role);
        const std::regex namePattern(name);
        for (const SeenObject& seen : *objects_) {
            if (std::regex_match(seen.role, rolePattern) && std::regex_match(seen.name, namePattern) &&
                (!text || seen.text == text)) {
                return true;
            }
        }
        return false;
    }

    static std::string Listing() {
        std::string text;
        for (const SeenObject& seen : *objects_) {
            text += seen.role + "|" + seen.name + "|" + seen.text + "\n";
        }
        return text;
    }

private:
    static inline bool ready_ = false;
    static inline std::vector<SeenObject>* objects_ = nullptr;
};

TEST_F(AccessibilityTest, TheWindowAndItsToolbarItemsCarryTheirCaptions) {
    EXPECT_TRUE(Seen("application", "tarnwick")) << Listing();
    EXPECT_TRUE(Seen(".*", "Tarnwick 1\\.06")) << Listing();
    for (const char* caption :
         {"再生\\(Z\\)", "一時停止", "停止\\(Y\\)", "前のファイル\\(X\\)", "次のファイル\\(W\\)", "-15秒",
          "-5秒", "\\+5秒", "\\+15秒", "\\+30秒", "\\+60秒", "\\+90秒", "FilterInfo"}) {
        EXPECT_TRUE(Seen("push button", caption)) << caption << "\n" << Listing();
    }
}

TEST_F(AccessibilityTest, CheckBoxesAndLabelledEditsAreNamedByTheirCaptionsAndLabels) {
    for (const char* caption : {"映像出力", "音声出力", "次回起動時、終了した所から再生"}) {
        EXPECT_TRUE(Seen("check box", caption)) << caption << "\n" << Listing();
    }
    for (const char* label : {"再生位置", "サイズ", "BitRate"}) {
        EXPECT_TRUE(Seen("text", label, "")) << label << "\n" << Listing();
    }
    // The memo exposes its text (empty at the start).
    EXPECT_TRUE(Seen("text", "Memo1", "")) << Listing();
    EXPECT_TRUE(Seen("status bar", ".*")) << Listing();
}

TEST_F(AccessibilityTest, TheBrowserListsExposeTheirRowsAndTheSelectorsTheirEntries) {
    EXPECT_TRUE(Seen("list item", "clip1\\.avi")) << Listing();
    EXPECT_TRUE(Seen("list item", "clip3\\.vob")) << Listing();
    // The built-in filter's first entry lists only the types it names.
    EXPECT_FALSE(Seen("list item", "clip2\\.mp4")) << Listing();
    // The directory list shows the chain down to the start-up folder.
    EXPECT_TRUE(Seen("list item", "tmp")) << Listing();
    // The selectors show their choice and list their entries: the drives ("a: [/]") and the filters.
    EXPECT_TRUE(Seen("combo box", "[a-z]: \\[.*")) << Listing();
    EXPECT_TRUE(Seen("list item", "[a-z]: \\[.*")) << Listing();
    EXPECT_TRUE(Seen("combo box", "再生可能なファイル")) << Listing();
    EXPECT_TRUE(Seen("list item", "再生可能なファイル")) << Listing();
}

} // namespace
