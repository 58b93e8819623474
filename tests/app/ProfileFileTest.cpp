// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ProfileFile.h"

#include "core/Errors.h"
#include "core/IniText.h"
#include "core/SettingsFileName.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "tarnwick.ini";
    ProfileFile ini{path};
};

TEST(ProfileIntegerRule, AcceptsBlanksSignDecimalAndHexadecimal) {
    EXPECT_EQ(ParseProfileInteger("42"), 42);
    EXPECT_EQ(ParseProfileInteger("  -7"), -7);
    EXPECT_EQ(ParseProfileInteger("+7"), 7);
    EXPECT_EQ(ParseProfileInteger("0x20"), 32);
    EXPECT_EQ(ParseProfileInteger("0X1f"), 31);
    EXPECT_EQ(ParseProfileInteger("$10"), 16);
    EXPECT_EQ(ParseProfileInteger("-$10"), -16);
    EXPECT_EQ(ParseProfileInteger("0x0"), 0);
    EXPECT_EQ(ParseProfileInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseProfileInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseProfileInteger("$FFFFFFFF"), -1);
}

TEST(ProfileIntegerRule, RejectsEverythingElse) {
    for (const char* text : {"", " ", "-", "$", "0x", "yes", "12a", "1 ", "1.5", "2147483648", "-2147483649",
                             "$100000000", "0xG", "--1", "0x-1", "x10", "٣"}) {
        EXPECT_EQ(ParseProfileInteger(text), std::nullopt) << '"' << text << '"';
    }
}

TEST_F(ProfileFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(ini.ReadString("Play", "Dir", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("Play", "Dir", 5), 5);
    EXPECT_TRUE(ini.ReadBool("Play", "Resume", true));
    ini.WriteString("Other", "Key", "v");
    EXPECT_EQ(ini.ReadString("Play", "Dir", "none"), "none");
    EXPECT_EQ(ini.ReadString("Other", "Missing", "none"), "none");
}

TEST_F(ProfileFileTest, BooleansFollowTheIntegerRule) {
    dir.WriteFile("tarnwick.ini", "[Play]\nENB_VIDEO=2\nENB_AUDIO=0x0\nA=yes\nResume=\nB=-1\n");
    EXPECT_TRUE(ini.ReadBool("Play", "ENB_VIDEO", false));
    EXPECT_FALSE(ini.ReadBool("Play", "ENB_AUDIO", true));
    EXPECT_FALSE(ini.ReadBool("Play", "A", false));
    EXPECT_TRUE(ini.ReadBool("Play", "Resume", true)) << "an empty value takes the default";
    EXPECT_TRUE(ini.ReadBool("Play", "B", false));
    EXPECT_EQ(ini.ReadString("Play", "Resume", "x"), "") << "an empty text is a value, not a missing key";
}

TEST_F(ProfileFileTest, NamesMatchWithoutRegardToCase) {
    dir.WriteFile("tarnwick.ini", "[pLaY]\nenb_video=1\n[Ä]\nÖ=umlaut\n");
    EXPECT_TRUE(ini.ReadBool("Play", "ENB_VIDEO", false));
    EXPECT_EQ(ini.ReadString("ä", "ö", ""), "umlaut");
    ini.WriteString("PLAY", "Enb_Video", "0");
    EXPECT_EQ(ReadFileText(path), "[pLaY]\nEnb_Video=0\n[Ä]\nÖ=umlaut\n");
}

TEST_F(ProfileFileTest, ValuesAreStoredVerbatimAndCutAt2047Characters) {
    const std::string tricky = "\"quoted\" ; not a comment, a=b, 日本語 \\n $%";
    ini.WriteString("Play", "Dir", tricky);
    EXPECT_EQ(ini.ReadString("Play", "Dir", ""), tricky);
    EXPECT_NE(ReadFileText(path).find("Dir=" + tricky), std::string::npos);

    std::string longValue(3000, 'a');
    ini.WriteString("Play", "Long", longValue);
    EXPECT_EQ(ini.ReadString("Play", "Long", ""), std::string(2047, 'a'));
    EXPECT_NE(ReadFileText(path).find(longValue), std::string::npos) << "the file keeps the whole value";

    // A cut never splits a character.
    std::string japanese = std::string(2046, 'a') + "日";
    ini.WriteString("Play", "Japanese", japanese);
    EXPECT_EQ(ini.ReadString("Play", "Japanese", ""), std::string(2046, 'a'));
}

TEST_F(ProfileFileTest, WritesKeepEveryOtherLineAndTheirOrder) {
    const std::string original =
        "; a comment\n[Zeta]\nz=1\n\n[Play]\nDir=/old\n; inner comment\n\n[TfrmMain]\nPlaceFlags=0\n";
    dir.WriteFile("tarnwick.ini", original);
    ini.WriteString("Play", "Dir", "/new");
    ini.WriteString("Play", "File", "/new/a.avi");
    ini.WriteString("Extra", "k", "v");
    EXPECT_EQ(ReadFileText(path),
              "; a comment\n[Zeta]\nz=1\n\n[Play]\nDir=/new\n; inner comment\nFile=/new/a.avi\n\n"
              "[TfrmMain]\nPlaceFlags=0\n[Extra]\nk=v\n");
}

TEST_F(ProfileFileTest, NewFileGetsSectionsInTheOrderWritten) {
    ini.WriteString("Play", "Dir", "/x");
    ini.WriteInteger("TfrmMain", "PlaceFlags", -3);
    ini.WriteBool("Play", "Resume", true);
    EXPECT_EQ(ReadFileText(path), "[Play]\nDir=/x\nResume=1\n[TfrmMain]\nPlaceFlags=-3\n");
}

TEST_F(ProfileFileTest, DamagedFilesReadByClearRules) {
    // Byte-order mark, CR LF, duplicates (the first wins), a NUL byte, invalid UTF-8, a header that never
    // closes.
    using namespace std::string_literals;
    std::string content = "\xEF\xBB\xBF[Play]\r\nDir=first\r\nDir=second\r\n[Play]\r\nFile=later\r\n"
                          "[Bin]\r\nk=a\0b\r\nbad=\xFF\xFE\r\n[Open\r\nx=1\r\n"s;
    dir.WriteFile("tarnwick.ini", content);
    EXPECT_EQ(ini.ReadString("Play", "Dir", ""), "first");
    EXPECT_EQ(ini.ReadString("Play", "File", "default"), "default")
        << "only the first section of a name counts";
    EXPECT_EQ(ini.ReadString("Bin", "bad", ""), "\xFF\xFE");
    EXPECT_EQ(ini.ReadString("Open", "x", ""), "1");
    EXPECT_EQ(ini.ReadString("Bin", "k", ""), "a\0b"s);

    ini.WriteString("Play", "Dir", "new");
    std::string written = ReadFileText(path);
    EXPECT_EQ(ini.ReadString("Play", "Dir", ""), "new");
    EXPECT_NE(written.find("Dir=second\r\n"), std::string::npos);
    EXPECT_NE(written.find("File=later\r\n"), std::string::npos);
    EXPECT_NE(written.find("bad=\xFF\xFE\r\n"), std::string::npos);
    EXPECT_EQ(written.size(), content.size() - 2) << "only \"first\" became \"new\"";
}

// A file cut after an unclosed header's carriage return (found by fuzzing): the key written into that
// section must read back, and whatever ended the file must not glue the header to the new key.
TEST_F(ProfileFileTest, AFileEndingInAHeaderAndALoneCarriageReturnTakesNewKeys) {
    for (const std::string ending : {"[Play \r", "[Play]\r", "[Play\r", "x=1\n[Play \r"}) {
        dir.WriteFile("tarnwick.ini", ending);
        ini.WriteString("Play", "Dir", "/v");
        ini.WriteString("Other", "k", "2");
        EXPECT_EQ(ini.ReadString("Play", "Dir", ""), "/v") << ReadFileText(path);
        EXPECT_EQ(ini.ReadString("Other", "k", ""), "2") << ReadFileText(path);
    }
}

TEST_F(ProfileFileTest, GarbageAndHugeLinesDoNotBreakReadingOrWriting) {
    std::string garbage;
    for (int i = 0; i < 100000; ++i) {
        garbage += static_cast<char>((i * 7919) % 256);
    }
    garbage += "\n" + std::string(10 * 1024 * 1024, 'x') + "\n";
    dir.WriteFile("tarnwick.ini", garbage);
    EXPECT_EQ(ini.ReadString("Play", "Dir", "d"), "d");
    ini.WriteString("Play", "Dir", "/v");
    EXPECT_EQ(ini.ReadString("Play", "Dir", ""), "/v");
    EXPECT_EQ(ReadFileText(path).substr(0, garbage.size()), garbage);
}

TEST_F(ProfileFileTest, LineBreaksInAValueCannotCreateKeysOrSections) {
    ini.WriteString("Play", "File", "/a\n[TfrmMain]\nPlaceFlags=9");
    EXPECT_EQ(ini.ReadString("Play", "File", ""), "/a");
    EXPECT_EQ(ini.ReadString("TfrmMain", "PlaceFlags", "none"), "none");
}

TEST_F(ProfileFileTest, ReplacesTheFileAtomicallyAndLeavesNoTemporary) {
    dir.WriteFile("tarnwick.ini", "[Play]\nDir=/old\n");
    struct stat before {};
    ::stat(path.c_str(), &before);
    ::chmod(path.c_str(), 0640);
    ini.WriteString("Play", "Dir", "/new");
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file renamed over the old one, not rewritten in place";
    EXPECT_EQ(after.st_mode & 0777, 0640u) << "permissions are kept";
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

// A temporary file is cleared away only when no running writer owns it: another player saving into
// the same file at this moment would otherwise find its temporary gone when it renames it.
TEST_F(ProfileFileTest, ClearsTemporariesLeftByAKilledWriterAndLeavesARunningWritersAlone) {
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const struct {
        std::string name;
        bool cleared;
    } temporaries[] = {
        {".tarnwick.ini.tmp-AbC123", true}, // an older writer's, which named no process
        {".tarnwick.ini.tmp-" + std::to_string(ended) + "-AbC123", true},
        {".tarnwick.ini.tmp-" + std::to_string(::getpid()) + "-XyZ789", true},
        {".tarnwick.ini.tmp-" + std::to_string(::getppid()) + "-AbC123", false},
        {".tarnwick.ini.tmp-1-AbC123", false},
        {".other.ini.tmp-" + std::to_string(ended) + "-AbC123", false},
    };
    for (const auto& temporary : temporaries) {
        dir.WriteFile(temporary.name, "[Play]\nDir=/half");
    }
    ini.WriteString("Play", "Dir", "/new");
    for (const auto& temporary : temporaries) {
        EXPECT_EQ(std::filesystem::exists(dir / temporary.name), !temporary.cleared) << temporary.name;
    }
    EXPECT_EQ(ReadFileText(path), "[Play]\nDir=/new\n");
}

TEST_F(ProfileFileTest, FollowsASymbolicLink) {
    std::string real = dir.WriteFile("real.ini", "[Play]\nDir=/old\n");
    std::filesystem::create_symlink(real, path);
    ini.WriteString("Play", "Dir", "/new");
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(ReadFileText(real), "[Play]\nDir=/new\n");
}

TEST_F(ProfileFileTest, RefusedWriteNamesTheFileAndLeavesItAsItWas) {
    dir.WriteFile("tarnwick.ini", "[Play]\nDir=/old\n");
    ::chmod(path.c_str(), 0444);
    try {
        ini.WriteString("Play", "Dir", "/new");
        FAIL() << "a read-only file was written";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(std::string(error.what()), path + " に書き込めません");
    }
    EXPECT_EQ(ReadFileText(path), "[Play]\nDir=/old\n");

    std::string blocker = dir.WriteFile("plain-file", "x");
    ProfileFile impossible(blocker + "/tarnwick.ini");
    EXPECT_THROW(impossible.WriteString("Play", "Dir", "/x"), EIniFileException);
}

TEST(SettingsFileNameRule, ReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(ReplaceExtensionWithIni("/opt/tools/player.bin"), "/opt/tools/player.ini");
    EXPECT_EQ(ReplaceExtensionWithIni("/opt/tools/tarnwick"), "/opt/tools/tarnwick.ini");
    EXPECT_EQ(ReplaceExtensionWithIni("/opt/my.tools/player"), "/opt/my.tools/player.ini");
    EXPECT_EQ(ReplaceExtensionWithIni("/opt/a.b.c"), "/opt/a.b.ini");
}

TEST(SettingsFileNameRule, APortableCopyKeepsItsSettingsBesideItselfAndAnInstalledOneInTheUsersFolder) {
    auto never = [](const std::string&) { return false; };
    auto always = [](const std::string&) { return true; };
    const std::string user = "/home/u/.config/tarnwick";
    struct Case {
        const char* executable;
        bool folderWritable;
        std::string expected;
    };
    const Case cases[] = {
        {"/home/u/tarnwick/bin/tarnwick", true, "/home/u/tarnwick/bin/tarnwick.ini"},
        {"/home/u/tarnwick/bin/tarnwick", false, user + "/tarnwick.ini"},
        // The administrator can write these folders, but a file there would be every user's.
        {"/usr/bin/tarnwick", true, user + "/tarnwick.ini"},
        {"/usr/local/bin/tarnwick", true, user + "/tarnwick.ini"},
        {"/opt/tarnwick/tarnwick", true, user + "/tarnwick.ini"},
        {"/usr/bin/tarnwick", false, user + "/tarnwick.ini"},
        // Only the folders themselves count, not names that begin the same way.
        {"/usr2/bin/tarnwick", true, "/usr2/bin/tarnwick.ini"},
        {"/optional/tarnwick", true, "/optional/tarnwick.ini"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsFileNameFor(c.executable, user, c.folderWritable ? +always : +never), c.expected)
            << c.executable
            << (c.folderWritable ? " in a writable folder" : " in a folder closed to the user");
    }
}

TEST(SettingsFileNameRule, TheRunningProgramKeepsItsSettingsBesideItself) {
    std::string name = SettingsFileName();
    EXPECT_EQ(std::filesystem::path(name).filename(), "app_tests.ini");
}

} // namespace
