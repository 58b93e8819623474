// The roads into the program from the desktop, on the real program as a user starts it: a file on the
// command line, and the Debian package installed into a scratch root.

#include "app/ProfileFile.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServers.h"

#include <array>
#include <cstdio>
#include <cstdlib>
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

// The command's standard output; the exit status through `status`.
std::string Shell(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 4096> buffer{};
    std::size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), read);
    }
    const int result = ::pclose(pipe);
    if (status != nullptr) {
        *status = result;
    }
    return output;
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

TEST_F(DesktopIntegrationTest, ThePackageHoldsWhatTheProgramNeedsAndPlaysFromAScratchRoot) {
    TempDir scratch;
    int status = 0;
    const std::string made = Shell("cpack --config '" TARNWICK_BINARY_DIR "/CPackConfig.cmake' -G DEB -B '" +
                                       scratch.Path() + "/out' 2>&1",
                                   &status);
    ASSERT_EQ(status, 0) << made;
    const std::string package = scratch.Path() + "/out/tarnwick_" TARNWICK_VERSION "_amd64.deb";
    ASSERT_TRUE(std::filesystem::exists(package)) << made;

    const std::string contents = Shell("dpkg-deb -c '" + package + "'");
    for (const std::string& file :
         {std::string("./usr/bin/tarnwick"), std::string("." TARNWICK_GST_PLUGINS_DIR "/libgsthalvion.so"),
          std::string("./usr/share/applications/tarnwick.desktop"),
          std::string("./usr/share/icons/hicolor/32x32/apps/tarnwick.png")}) {
        EXPECT_NE(contents.find(" " + file + "\n"), std::string::npos) << file << " missing from\n"
                                                                       << contents;
    }
    // Libraries the program links, found by dpkg-shlibdeps, and what it only loads by name.
    const std::string depends = Shell("dpkg-deb -f '" + package + "' Depends");
    for (const char* needed : {"libqt6widgets6", "libgstreamer1.0-0", "libgstreamer-plugins-base1.0-0",
                               "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad", "gstreamer1.0-libav",
                               "gstreamer1.0-x", "gstreamer1.0-pulseaudio", "fonts-noto-cjk"}) {
        EXPECT_NE(depends.find(needed), std::string::npos) << needed << " not in " << depends;
    }

    const std::string root = scratch.Path() + "/root";
    ASSERT_EQ(std::system(("dpkg-deb -x '" + package + "' '" + root + "'").c_str()), 0);
    const std::string plugins = root + TARNWICK_GST_PLUGINS_DIR;
    // The device's element comes from the package's plugin, with no other plugin folder to find it in.
    const std::string inspected =
        Shell("GST_PLUGIN_SYSTEM_PATH_1_0='" + plugins + "' GST_REGISTRY_1_0='" + scratch.Path() +
              "/registry.bin' gst-inspect-1.0 halvionrenderer 2>&1");
    EXPECT_NE(inspected.find(plugins + "/libgsthalvion.so"), std::string::npos) << inspected;

    // The installed program, with GStreamer shown the scratch root's plugin folder as an installed
    // system's own would be, plays a file given on its command line.
    ::setenv("GST_PLUGIN_PATH_1_0", plugins.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (scratch.Path() + "/config").c_str(), 1);
    {
        RunningPlayer player(install, {install.Clip("a2.mp4")}, root + "/usr/bin/tarnwick");
        EXPECT_TRUE(player.WaitUntil(Plays, 30000)) << player.PositionText();
        EXPECT_EQ(player.Close(), 0);
    }
    ::unsetenv("GST_PLUGIN_PATH_1_0");
    ::unsetenv("XDG_CONFIG_HOME");
    // Where the settings go depends on whether the scratch root's bin folder may be written.
    std::string stored = root + "/usr/bin/tarnwick.ini";
    if (!std::filesystem::exists(stored)) {
        stored = scratch.Path() + "/config/tarnwick/tarnwick.ini";
    }
    EXPECT_EQ(ProfileFile(stored).ReadString("Play", "File", ""), install.Clip("a2.mp4"))
        << ReadSettingsFile(stored);
}

} // namespace
