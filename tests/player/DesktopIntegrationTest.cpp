// The roads into the program from the desktop, on the real program as a user starts it: a file on the
// command line.

#include "app/ProfileFile.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/TestServers.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Objects = std::vector<SeenObject>;

// A file: URI as file managers write it: every byte but the unreserved ones percent-encoded.
std::string FileUri(const std::string& path) {
    std::string uri = "file://";
    for (const unsigned char byte : path) {
        if (std::isalnum(byte) != 0 ||
            std::string_view("/-._~").find(static_cast<char>(byte)) != std::string::npos) {
            uri += static_cast<char>(byte);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            uri += escaped;
        }
    }
    return uri;
}

bool Plays(const Objects& objects) {
    for (const SeenObject& seen : objects) {
        if (seen.role == "text" && seen.name == "再生位置") {
            return !seen.text.empty() && seen.text != "00:00:00.0";
        }
    }
    return false;
}

class DesktopIntegrationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestServers(); }

    // Clips long enough that none ends, and the list steps on, before the test has looked.
    PlayerInstall install{".mp4", 20.0};
    ProfileFile settings{install.SettingsFile()};

    // A copy of clip a1 under another name, in a folder whose name needs care too.
    std::string CopyOfClip(const std::string& name) const {
        const std::string folder = install.Clips() + "/映画 #?";
        std::filesystem::create_directories(folder);
        const std::string path = folder + "/" + name;
        std::filesystem::copy_file(install.Clip("a1.mp4"), path,
                                   std::filesystem::copy_options::overwrite_existing);
        return path;
    }
};

TEST_F(DesktopIntegrationTest, AFileOnTheCommandLinePlaysAndTheSettingsFileNamesIt) {
    // The built-in filter's first entry lists no .mp4; each start also has the last one's file stored
    // as playing, which the given file must win over.
    const std::string japanese = CopyOfClip("映画 #1?.mp4");
    const std::string notUtf8 = CopyOfClip("b\xff"
                                           "c.mp4");
    const struct {
        std::string argument;
        std::string path;
    } cases[] = {
        {install.Clip("a2.mp4"), install.Clip("a2.mp4")},
        {japanese, japanese},
        {notUtf8, notUtf8},
        {FileUri(japanese), japanese},
        {"a3.mp4", install.Clip("a3.mp4")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        RunningPlayer player(install, {c.argument});
        EXPECT_TRUE(player.WaitUntil(Plays, 30000)) << player.PositionText();
        EXPECT_EQ(player.Close(), 0);
        EXPECT_EQ(settings.ReadString("Play", "File", ""), c.path)
            << ReadSettingsFile(install.SettingsFile());
        EXPECT_TRUE(settings.ReadBool("Play", "Playing", false));
    }
}

TEST_F(DesktopIntegrationTest, AMissingPathIsReportedAndTheProgramStaysUp) {
    const std::string missing = install.Clips() + "/gone #1?.mp4";
    RunningPlayer player(install, {missing});
    EXPECT_TRUE(player.WaitUntil(
        [&missing](const Objects& objects) {
            for (const SeenObject& seen : objects) {
                if (seen.text.find("ファイルが見つかりません - " + missing) != std::string::npos ||
                    seen.name.find("ファイルが見つかりません - " + missing) != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        30000));
    player.Press("OK");
    ASSERT_TRUE(player.WaitUntilReady());
    EXPECT_TRUE(player.Running());
    EXPECT_EQ(player.Close(), 0);
}

} // namespace
