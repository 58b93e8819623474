// SPDX-License-Identifier: GPL-2.0-or-later
// The command line and the file: URIs of file managers and drops, decoded to the bytes of a path.

#include "player/CommandLine.h"

#include "player/FileUri.h"

#include <algorithm>
#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;

TEST(FileUriTest, DecodesLocalFileUrisToBytesAndRefusesEverythingElse) {
    const struct {
        const char* uri;
        std::optional<std::string> path;
    } cases[] = {
        {"file:///tmp/a%20b.mp4", "/tmp/a b.mp4"},
        {"file://localhost/tmp/x.avi", "/tmp/x.avi"},
        {"FILE://LocalHost/x", "/x"},
        {"file:/tmp/x", "/tmp/x"},
        {"file:///tmp/%E6%98%A0%E7%94%BB%20%231%3F.mp4", "/tmp/映画 #1?.mp4"},
        {"file:///tmp/b%FFc%2fd", "/tmp/b\xff"
                                  "c/d"},
        {"file:///tmp/100%25.avi", "/tmp/100%.avi"},
        // A raw "#" or "?" starts the fragment or query, which name no part of the file.
        {"file:///tmp/a#b", "/tmp/a"},
        {"file:///tmp/a?b", "/tmp/a"},
        {"file://server/share/x", std::nullopt},
        {"file://localhostx/x", std::nullopt},
        {"http://localhost/x", std::nullopt},
        {"file:relative/x", std::nullopt},
        {"file:///tmp/%4", std::nullopt},
        {"file:///tmp/%zz", std::nullopt},
        {"file:///tmp/a%00b", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LocalPathOfFileUri(c.uri), c.path) << c.uri;
    }
    EXPECT_THAT(
        LocalPathsOfUriList("# from a file manager\r\nfile:///a\r\nhttp://x/y\r\n\r\nfile:///b%20c\r\n"),
        ElementsAre("/a", "/b c"));
    // What the program hands out (MPRIS, a handed-over file) reads back to the same bytes.
    for (const std::string path :
         {"/tmp/a b.mp4", "/tmp/映画 #1?.mp4", "/tmp/100%;[x]&=+.avi", "/tmp/b\xff\x01c"}) {
        const std::string uri = FileUriOfPath(path);
        EXPECT_TRUE(std::all_of(uri.begin(), uri.end(), [](unsigned char c) {
            return c > 0x20 && c < 0x7f && c != '#' && c != '?';
        })) << uri;
        EXPECT_EQ(LocalPathOfFileUri(uri), path) << uri;
    }
    EXPECT_THAT(LocalPathsOfUriList("file:///last/line/without/break"),
                ElementsAre("/last/line/without/break"));
}

TEST(CommandLineTest, GivesOneWholePathOrAUsageFault) {
    const struct {
        std::vector<std::string> arguments;
        std::string path;
        bool help;
        bool fault;
        std::string notLocal = {};
        bool version = false;
        std::string marks = {};
    } cases[] = {
        {{}, "", false, false},
        {{"film.mp4"}, "/home/u/film.mp4", false, false},
        {{"../b\xff.avi"}, "/home/u/../b\xff.avi", false, false},
        {{"/abs/film.mp4"}, "/abs/film.mp4", false, false},
        {{"file:///abs/a%20b.mp4"}, "/abs/a b.mp4", false, false},
        {{"file://localhost/abs/x.avi"}, "/abs/x.avi", false, false},
        // Only a URI is decoded: a name that merely looks encoded is taken as it stands, and a colon
        // without "//" is part of a file name.
        {{"a%20b.mp4"}, "/home/u/a%20b.mp4", false, false},
        {{"a:b.avi"}, "/home/u/a:b.avi", false, false},
        {{"1a://x.avi"}, "/home/u/1a://x.avi", false, false},
        // A URI that names no local file is kept as given, never made into a path under the folder.
        {{"http://host/film.mp4"}, "", false, false, "http://host/film.mp4"},
        {{"file://otherhost/x"}, "", false, false, "file://otherhost/x"},
        {{"file:///tmp/%zz.avi"}, "", false, false, "file:///tmp/%zz.avi"},
        {{"svn+ssh://h/x"}, "", false, false, "svn+ssh://h/x"},
        {{"--", "-dash.mp4"}, "/home/u/-dash.mp4", false, false},
        {{"--help"}, "", true, false},
        {{"--version"}, "", false, false, "", true},
        {{"-x"}, "", false, true},
        {{"--verbose"}, "", false, true},
        {{"a.mp4", "b.mp4"}, "", false, true},
        // The toolkit's options, and the values of those that take one, are left to the toolkit.
        {{"-platform", "offscreen", "film.mp4"}, "/home/u/film.mp4", false, false},
        {{"--display", ":1", "-style=Fusion", "-reverse", "film.mp4"}, "/home/u/film.mp4", false, false},
        {{"film.mp4", "-qwindowtitle", "x y", "-stylesheet", "a.qss"}, "/home/u/film.mp4", false, false},
        {{"-display"}, "", false, true},
        // The start-up timeline's file is the option's value, never the path to open.
        {{"--startup-marks", "m.txt", "film.mp4"}, "/home/u/film.mp4", false, false, "", false, "m.txt"},
        {{"film.mp4", "--startup-marks", "/tmp/m"}, "/home/u/film.mp4", false, false, "", false, "/tmp/m"},
        {{"--startup-marks"}, "", false, true},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.arguments, "/home/u");
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(parsed.Path, c.path) << shown;
        EXPECT_EQ(parsed.Help, c.help) << shown;
        EXPECT_EQ(parsed.Version, c.version) << shown;
        EXPECT_EQ(!parsed.Error.empty(), c.fault) << shown;
        EXPECT_EQ(parsed.NotLocalUri, c.notLocal) << shown;
        EXPECT_EQ(parsed.StartupMarks, c.marks) << shown;
    }
}

} // namespace
