// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/PlaySettings.h"

#include "core/Errors.h"
#include "core/ProfileFile.h"
#include "player/AudioOutputMenu.h"
#include "player/DeviceSettings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

TEST(PlaySettings, NoSettingsFileGivesTheFirstStartDefaults) {
    TempDir dir;
    PlaySettings values = ReadPlaySettings(ProfileFile(dir / "none.ini"));
    EXPECT_EQ(values.Dir, "");
    EXPECT_EQ(values.File, "");
    EXPECT_FALSE(values.EnableVideo);
    EXPECT_FALSE(values.EnableAudio);
    EXPECT_EQ(values.Filter, BuiltInFilter);
    EXPECT_TRUE(values.Resume);
    EXPECT_FALSE(values.Playing);
    EXPECT_EQ(values.Position, "0");
}

TEST(PlaySettings, WritesEveryKeyInItsOrderAndReadsThemBack) {
    TempDir dir;
    ProfileFile settings(dir / "t.ini");
    PlaySettings values;
    values.Dir = "/media/video";
    values.File = "/media/video/a b.avi";
    values.EnableVideo = true;
    values.Resume = false;
    values.Playing = true;
    values.Position = "-1234567890123";
    values.Filter = "";
    WritePlaySettings(settings, values);
    EXPECT_EQ(
        ReadFileText(settings.FileName()),
        "[Play]\nDir=/media/video\nFile=/media/video/a b.avi\nENB_VIDEO=1\nENB_AUDIO=0\nResume=0\nPlaying=1\n"
        "Position=-1234567890123\nFilter=\n");
    PlaySettings back = ReadPlaySettings(settings);
    EXPECT_EQ(back.File, values.File);
    EXPECT_TRUE(back.EnableVideo);
    EXPECT_FALSE(back.Resume);
    EXPECT_TRUE(back.Playing);
    EXPECT_EQ(back.Position, values.Position);
    EXPECT_EQ(back.Filter, "") << "an empty filter is a value, not a missing key";
}

// The section "Device" follows "Play" in the same file; only what the user chose is stored, so
// automatic is an empty monitor, and the section's absence reads as automatic, windowed.
TEST(PlaySettings, TheDeviceSectionFollowsPlayAndReadsBackAsWritten) {
    TempDir dir;
    ProfileFile settings(dir / "t.ini");
    const DeviceSettings none = ReadDeviceSettings(settings);
    EXPECT_EQ(std::tie(none.AudioOutput, none.Monitor, none.FullScreen), std::make_tuple("", "", false));
    WritePlaySettings(settings, DefaultPlaySettings());
    DeviceSettings chosen;
    chosen.AudioOutput = "hdmi-stereo";
    chosen.Monitor = "XWAYLAND1 1920x1080+1280+0";
    chosen.FullScreen = true;
    WriteDeviceSettings(settings, chosen);
    const std::string text = ReadFileText(settings.FileName());
    EXPECT_EQ(text.substr(text.find("[Device]")),
              "[Device]\nAudioOutput=hdmi-stereo\nMonitor=XWAYLAND1 1920x1080+1280+0\nFullScreen=1\n");
    EXPECT_LT(text.find("Filter="), text.find("[Device]"));
    const DeviceSettings back = ReadDeviceSettings(settings);
    EXPECT_EQ(std::tie(back.AudioOutput, back.Monitor, back.FullScreen),
              std::tie(chosen.AudioOutput, chosen.Monitor, chosen.FullScreen));
    WriteDeviceSettings(settings, DeviceSettings{});
    EXPECT_EQ(ReadFileText(settings.FileName()).substr(text.find("[Device]")),
              "[Device]\nAudioOutput=\nMonitor=\nFullScreen=0\n");
}

TEST(PlaySettings, ARefusedWriteStopsAtTheFailingKey) {
    TempDir dir;
    std::string blocker = dir.WriteFile("not-a-folder", "");
    ProfileFile settings(blocker + "/t.ini");
    try {
        WritePlaySettings(settings, DefaultPlaySettings());
        FAIL() << "nothing could be written, yet no error";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(std::string(error.what()), blocker + "/t.ini に書き込めません");
    }
}

// The section "Device" follows "Play" in the same file and keeps the user's choice verbatim.
TEST(DeviceSettings, TheChosenOutputIsWrittenAfterPlayAndReadBack) {
    TempDir dir;
    ProfileFile settings(dir / "t.ini");
    EXPECT_EQ(ReadDeviceSettings(settings).AudioOutput, "") << "no file: the server's default";
    WritePlaySettings(settings, DefaultPlaySettings());
    DeviceSettings chosen;
    chosen.AudioOutput = "alsa_output.pci-0000_00_1f.3.hdmi-stereo";
    WriteDeviceSettings(settings, chosen);
    const std::string text = ReadFileText(settings.FileName());
    EXPECT_NE(text.find("Filter=" + std::string(BuiltInFilter) +
                        "\n[Device]\nAudioOutput=alsa_output.pci-0000_00_1f.3.hdmi-stereo\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(ReadDeviceSettings(settings).AudioOutput, "alsa_output.pci-0000_00_1f.3.hdmi-stereo");
}

// The menu's entries for what the server lists and what was chosen.
TEST(AudioOutputEntries, TheDefaultFirstThenTheOutputsAndAChosenOneThatIsGone) {
    const std::vector<SoundOutput> listed{{"a", "TV"}, {"b", "Recorder"}};
    const std::map<std::string, std::string> seen{{"c", "Headset"}};
    struct Row {
        std::string chosen;
        std::vector<AudioOutputEntry> entries;
    };
    const Row rows[] = {
        {"", {{"既定の出力", "", true}, {"TV", "a", false}, {"Recorder", "b", false}}},
        {"b", {{"既定の出力", "", false}, {"TV", "a", false}, {"Recorder", "b", true}}},
        {"c",
         {{"既定の出力", "", false},
          {"TV", "a", false},
          {"Recorder", "b", false},
          {"Headset (接続されていません)", "c", true}}},
        {"d",
         {{"既定の出力", "", false},
          {"TV", "a", false},
          {"Recorder", "b", false},
          {"d (接続されていません)", "d", true}}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AudioOutputEntries(listed, row.chosen, seen), row.entries) << "chosen: " << row.chosen;
    }
}

TEST(ParsePosition, AcceptsDecimalAndBothHexadecimalForms) {
    EXPECT_EQ(ParsePosition("0"), 0);
    EXPECT_EQ(ParsePosition("  6000000000"), 6'000'000'000);
    EXPECT_EQ(ParsePosition("-15"), -15);
    EXPECT_EQ(ParsePosition("+15"), 15);
    EXPECT_EQ(ParsePosition("$FF"), 255);
    EXPECT_EQ(ParsePosition("0x10"), 16);
    EXPECT_EQ(ParsePosition("-0X10"), -16);
    EXPECT_EQ(ParsePosition("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ParsePosition("-9223372036854775808"), INT64_MIN);
}

TEST(ParsePosition, AnythingElseIsAnErrorNamingTheText) {
    for (const char* text :
         {"", "abc", "12 ", "1e5", "0x", "$", "-", "9223372036854775808", "$10000000000000000"}) {
        try {
            ParsePosition(text);
            FAIL() << '"' << text << "\" was taken as a number";
        } catch (const EConvertError& error) {
            EXPECT_EQ(std::string(error.what()), std::string("'") + text + "' は整数ではありません");
        }
    }
}

} // namespace
