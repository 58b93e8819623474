// The roads into the program from the desktop, on the real program as a user starts it: a file on the
// command line, MPRIS on the session bus as media keys and panel widgets use it, a second start
// handing its file over, and the Debian package installed into a scratch root.

#include "core/ProfileFile.h"
#include "tests/support/FileUriEncoding.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServers.h"
#include "tests/support/X11Tools.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Objects = std::vector<SeenObject>;

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

// Whether the Pause button looks pressed on the screen. The toolbar tells assistive technologies
// nothing of it, so the pixels are read: the button's frame is drawn only while it is checked, down
// or under the pointer, and the pointer is moved off the window first.
bool PauseChecked(const Objects& objects) {
    const auto button = std::find_if(objects.begin(), objects.end(), [](const SeenObject& seen) {
        return seen.role == "push button" && seen.name == "一時停止";
    });
    if (button == objects.end()) {
        return false;
    }
    MovePointerTo(0, 0);
    return PixelAt(button->x, button->y + button->height / 2) != PixelAt(button->x + 2, button->y + 2);
}

// A folder made under /opt for one test and removed with everything in it afterwards; empty when it
// cannot be made.
class SystemFolder {
public:
    SystemFolder() {
        std::string pattern = "/opt/tarnwick-package-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr && ::chmod(pattern.c_str(), 0755) == 0) {
            path_ = pattern;
        }
    }
    ~SystemFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    SystemFolder(const SystemFolder&) = delete;
    SystemFolder& operator=(const SystemFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The user that owns nothing on the system.
constexpr uid_t kNobody = 65534;

// A home folder that belongs to the given user, removed afterwards.
class UserHome {
public:
    explicit UserHome(uid_t user) {
        std::string pattern = "/tmp/tarnwick-home-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr && ::chown(pattern.c_str(), user, user) == 0) {
            home_ = pattern;
        }
    }
    ~UserHome() {
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }
    UserHome(const UserHome&) = delete;
    UserHome& operator=(const UserHome&) = delete;
    const std::string& Path() const { return home_; }

private:
    std::string home_;
};

// Runs the program as another user, with a home of its own and no session bus, until its window
// shows; then closes the window as a window manager does. The exit status, or -1.
int RunAsUserUntilClosed(const std::string& program, const std::string& home, const std::string& plugins,
                         uid_t user) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(home.c_str()) != 0 || ::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 ||
            ::setuid(user) != 0) {
            ::_exit(127);
        }
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        ::setenv("GST_PLUGIN_PATH_1_0", plugins.c_str(), 1);
        ::setenv("GST_REGISTRY_1_0", (home + "/registry.bin").c_str(), 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-no-bus", 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = -1;
    if (auto window = WaitForWindow("Tarnwick 1.06", 30000)) {
        // The window is up; its first paint reads the settings.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        RequestClose(window->id);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

class DesktopIntegrationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestServers(); }

    // Clips long enough that none ends, and the list steps on, before the test has looked.
    PlayerInstall install{".mp4", 20.0};
    ProfileFile settings{install.SettingsFile()};

    // gdbus on the install's session bus, talking to the player's MPRIS object.
    std::string Mpris(const std::string& method, const std::string& arguments = {},
                      const std::string& service = "org.mpris.MediaPlayer2.tarnwick") const {
        return Shell("DBUS_SESSION_BUS_ADDRESS='" + install.Bus() + "' gdbus call --session -d " + service +
                     " -o /org/mpris/MediaPlayer2 -m " + method + " " + arguments + " 2>&1");
    }
    std::string Property(const std::string& interface, const std::string& name) const {
        return Mpris("org.freedesktop.DBus.Properties.Get", interface + " " + name);
    }
    bool WaitForProperty(const std::string& name, const std::string& words, int timeoutMs) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            if (Property("org.mpris.MediaPlayer2.Player", name).find(words) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

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
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a package is made from a plain build; the sanitizers' runtime cannot be loaded from one";
#endif
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

    // Unpacked under /opt, where a system keeps installed programs. The administrator may write there,
    // yet a settings file beside the program would then be every user's.
    const SystemFolder installed;
    ASSERT_FALSE(installed.Path().empty()) << "cannot make a folder under /opt";
    const std::string root = installed.Path();
    ASSERT_EQ(std::system(("dpkg-deb -x '" + package + "' '" + root + "'").c_str()), 0);
    const std::string plugins = root + TARNWICK_GST_PLUGINS_DIR;
    // The device's element comes from the package's plugin, with no other plugin folder to find it in.
    const std::string inspected =
        Shell("GST_PLUGIN_SYSTEM_PATH_1_0='" + plugins + "' GST_REGISTRY_1_0='" + scratch.Path() +
              "/registry.bin' gst-inspect-1.0 halvionrenderer 2>&1");
    EXPECT_NE(inspected.find(plugins + "/libgsthalvion.so"), std::string::npos) << inspected;

    // The installed program, with GStreamer shown the unpacked plugin folder as an installed system's
    // own would be, plays a file given on its command line.
    const std::string program = root + "/usr/bin/tarnwick";
    ::setenv("GST_PLUGIN_PATH_1_0", plugins.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (scratch.Path() + "/config").c_str(), 1);
    {
        RunningPlayer player(install, {install.Clip("a2.mp4")}, program);
        EXPECT_TRUE(player.WaitUntil(Plays, 30000)) << player.PositionText();
        EXPECT_EQ(player.Close(), 0);
    }
    ::unsetenv("XDG_CONFIG_HOME");
    const std::string stored = scratch.Path() + "/config/tarnwick/tarnwick.ini";
    EXPECT_EQ(ProfileFile(stored).ReadString("Play", "File", ""), install.Clip("a2.mp4"))
        << ReadSettingsFile(stored);
    EXPECT_FALSE(std::filesystem::exists(root + "/usr/bin/tarnwick.ini"))
        << "the administrator's settings were left beside the installed program";

    // Another user of the same copy keeps settings of its own, in ~/.config when no XDG folder is set.
    if (::geteuid() == 0) {
        const UserHome home(kNobody);
        ASSERT_FALSE(home.Path().empty());
        const int status = RunAsUserUntilClosed(program, home.Path(), plugins, kNobody);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(std::filesystem::exists(home.Path() + "/.config/tarnwick/tarnwick.ini"))
            << "the other user's settings are not in their own folder";
        EXPECT_FALSE(std::filesystem::exists(root + "/usr/bin/tarnwick.ini"));
        EXPECT_EQ(ProfileFile(stored).ReadString("Play", "File", ""), install.Clip("a2.mp4"))
            << "the other user's shutdown changed the administrator's settings";
    }
    ::unsetenv("GST_PLUGIN_PATH_1_0");
}

TEST_F(DesktopIntegrationTest, MprisReadsThePlayerAndRunsItsButtons) {
    RunningPlayer player(install, {install.Clip("a1.mp4")});
    ASSERT_TRUE(player.WaitUntil(Plays, 30000)) << player.PositionText();
    ASSERT_TRUE(WaitForProperty("PlaybackStatus", "'Playing'", 10000))
        << Property("org.mpris.MediaPlayer2.Player", "PlaybackStatus");

    const struct {
        const char* interface;
        const char* property;
        std::string words;
    } reads[] = {
        {"org.mpris.MediaPlayer2", "Identity", "<'Tarnwick'>"},
        {"org.mpris.MediaPlayer2", "DesktopEntry", "<'tarnwick'>"},
        {"org.mpris.MediaPlayer2", "CanQuit", "<true>"},
        {"org.mpris.MediaPlayer2", "CanRaise", "<true>"},
        {"org.mpris.MediaPlayer2", "SupportedUriSchemes", "<['file']>"},
        {"org.mpris.MediaPlayer2", "SupportedMimeTypes", "'video/mp4'"},
        {"org.mpris.MediaPlayer2.Player", "CanControl", "<true>"},
        {"org.mpris.MediaPlayer2.Player", "CanSeek", "<true>"},
        {"org.mpris.MediaPlayer2.Player", "CanGoNext", "<true>"},
        {"org.mpris.MediaPlayer2.Player", "Metadata", "'xesam:title': <'a1.mp4'>"},
        {"org.mpris.MediaPlayer2.Player", "Metadata",
         "'xesam:url': <'file://" + install.Clip("a1.mp4") + "'>"},
        {"org.mpris.MediaPlayer2.Player", "Metadata", "'mpris:length': <int64 20"},
    };
    for (const auto& read : reads) {
        const std::string value = Property(read.interface, read.property);
        EXPECT_NE(value.find(read.words), std::string::npos) << read.property << ": " << value;
    }

    // Signals, watched from here on.
    const std::string signals = install.Clips() + "/../signals.txt";
    std::system(("DBUS_SESSION_BUS_ADDRESS='" + install.Bus() +
                 "' timeout 60 gdbus monitor --session -d org.mpris.MediaPlayer2.tarnwick > '" + signals +
                 "' 2>&1 &")
                    .c_str());
    const auto signalled = [&signals](const std::string& words) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            std::ifstream in(signals);
            std::stringstream text;
            text << in.rdbuf();
            if (text.str().find(words) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    };
    // The monitor names the player's owner once it listens.
    ASSERT_TRUE(signalled("is owned by"));

    Mpris("org.mpris.MediaPlayer2.Player.PlayPause");
    EXPECT_TRUE(player.WaitUntil(PauseChecked, 10000)) << "PlayPause while playing is the Pause button";
    EXPECT_TRUE(WaitForProperty("PlaybackStatus", "'Paused'", 10000));
    EXPECT_TRUE(signalled("'PlaybackStatus': <'Paused'>"));
    Mpris("org.mpris.MediaPlayer2.Player.PlayPause");
    EXPECT_TRUE(player.WaitUntil([](const Objects& o) { return !PauseChecked(o); }, 10000));
    EXPECT_TRUE(WaitForProperty("PlaybackStatus", "'Playing'", 10000));

    Mpris("org.mpris.MediaPlayer2.Player.Next");
    EXPECT_TRUE(
        player.WaitUntil([&player](const Objects&) { return player.SelectedFile() == "a2.mp4"; }, 10000));
    EXPECT_TRUE(WaitForProperty("Metadata", "'xesam:title': <'a2.mp4'>", 10000));
    EXPECT_TRUE(signalled("'xesam:title': <'a2.mp4'>"));

    // Paused, the position text moves only by the seek.
    Mpris("org.mpris.MediaPlayer2.Player.Pause");
    ASSERT_TRUE(WaitForProperty("PlaybackStatus", "'Paused'", 10000));
    Mpris("org.mpris.MediaPlayer2.Player.Seek", "10000000");
    EXPECT_TRUE(player.WaitUntil(
        [](const Objects& o) {
            for (const SeenObject& seen : o) {
                if (seen.role == "text" && seen.name == "再生位置") {
                    return seen.text >= "00:00:10.0";
                }
            }
            return false;
        },
        10000))
        << player.PositionText();
    EXPECT_TRUE(signalled("org.mpris.MediaPlayer2.Player.Seeked (int64 1"));

    Mpris("org.mpris.MediaPlayer2.Quit");
    EXPECT_EQ(player.WaitForExit(15000), 0) << "Quit closes the window as its close button does";
    EXPECT_EQ(settings.ReadString("Play", "File", ""), install.Clip("a2.mp4"))
        << ReadSettingsFile(install.SettingsFile());
}

TEST_F(DesktopIntegrationTest, ASecondStartWithAFileHandsItOverAndOneWithoutRunsBeside) {
    RunningPlayer first(install);
    ASSERT_TRUE(first.WaitUntilReady());
    ASSERT_TRUE(WaitForProperty("PlaybackStatus", "'Stopped'", 10000));

    {
        RunningPlayer second(install, {FileUri(install.Clip("a3.mp4"))});
        EXPECT_EQ(second.WaitForExit(10000), 0) << "the second start ends once it has handed the file over";
    }
    EXPECT_TRUE(first.WaitUntil(
        [&first](const Objects& o) { return Plays(o) && first.SelectedFile() == "a3.mp4"; }, 30000));

    // Without a file a second player runs beside the first, under a name of its own.
    RunningPlayer beside(install);
    const std::string own = "org.mpris.MediaPlayer2.tarnwick.instance" + std::to_string(beside.Pid());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Mpris("org.freedesktop.DBus.Properties.Get", "org.mpris.MediaPlayer2 Identity", own)
                   .find("Tarnwick") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(beside.Running());
    Mpris("org.mpris.MediaPlayer2.Quit", "", own);
    EXPECT_EQ(beside.WaitForExit(15000), 0);
    EXPECT_EQ(first.Close(), 0);
    EXPECT_EQ(settings.ReadString("Play", "File", ""), install.Clip("a3.mp4"))
        << ReadSettingsFile(install.SettingsFile());
}

} // namespace
