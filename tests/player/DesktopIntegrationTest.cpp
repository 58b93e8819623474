// SPDX-License-Identifier: GPL-2.0-or-later
// The roads into the program from the desktop, on the real program as a user starts it: a file on the
// command line, MPRIS on the session bus as media keys and panel widgets use it, a second start
// handing its file over, and the Debian package installed into a scratch root.

#include "core/ProfileFile.h"
#include "tests/support/FileUriEncoding.h"
#include "tests/support/RunningPlayer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServers.h"
#include "tests/support/X11Tools.h"

#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
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

// The number gdbus prints in a reply such as "(<int64 1562272>,)"; -1 without one.
long long NumberIn(const std::string& reply) {
    const auto number = reply.find("int64 ");
    return number == std::string::npos ? -1 : std::stoll(reply.substr(number + 6));
}

// The phases of a start-up marks file, in the order they were written.
std::vector<std::string> PhasesIn(const std::string& marks) {
    std::ifstream in(marks);
    std::vector<std::string> phases;
    std::string line;
    while (std::getline(in, line)) {
        phases.push_back(line.substr(line.find(' ') + 1));
    }
    return phases;
}

// Where the phase is among them; their number when it is not.
std::size_t PlaceOf(const std::vector<std::string>& phases, const std::string& phase) {
    return static_cast<std::size_t>(std::find(phases.begin(), phases.end(), phase) - phases.begin());
}

std::string Joined(const std::vector<std::string>& phases) {
    std::string all;
    for (const std::string& phase : phases) {
        all += phase + "\n";
    }
    return all;
}

// A start that only handed its file over ends before it makes the application, and loads no media
// library: GStreamer never comes up in it.
void ExpectHandedOverOnly(const std::vector<std::string>& phases) {
    EXPECT_NE(PlaceOf(phases, "file handed over"), phases.size()) << Joined(phases);
    for (const std::string& phase : phases) {
        EXPECT_EQ(phase.find("gstreamer"), std::string::npos) << Joined(phases);
        EXPECT_EQ(phase.find("libraries"), std::string::npos) << Joined(phases);
        EXPECT_NE(phase, "application made") << Joined(phases);
    }
}

// A start that plays the file it was given knows so before it makes the application, and starts the
// media libraries at once, while the application is made.
void ExpectClaimedThenStartedMedia(const std::vector<std::string>& phases) {
    const std::size_t claimed = PlaceOf(phases, "player's name claimed");
    const std::size_t started = PlaceOf(phases, "gstreamer started");
    const std::size_t made = PlaceOf(phases, "application made");
    EXPECT_LT(claimed, started) << Joined(phases);
    EXPECT_LT(started, made) << Joined(phases);
    EXPECT_LT(made, phases.size()) << Joined(phases);
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
    std::string Property(const std::string& interface, const std::string& name,
                         const std::string& service = "org.mpris.MediaPlayer2.tarnwick") const {
        return Mpris("org.freedesktop.DBus.Properties.Get", interface + " " + name, service);
    }
    void SetProperty(const std::string& name, const std::string& value) const {
        Mpris("org.freedesktop.DBus.Properties.Set",
              "org.mpris.MediaPlayer2.Player " + name + " '" + value + "'");
    }
    bool WaitForProperty(const std::string& name, const std::string& words, int timeoutMs,
                         const std::string& service = "org.mpris.MediaPlayer2.tarnwick") const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            if (Property("org.mpris.MediaPlayer2.Player", name, service).find(words) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    // The player's signals, written by a monitor on the install's bus from here on, as panel widgets
    // see them.
    std::string signals_;
    void WatchSignals() {
        signals_ = install.Clips() + "/../signals.txt";
        std::system(("DBUS_SESSION_BUS_ADDRESS='" + install.Bus() +
                     "' timeout 120 gdbus monitor --session -d org.mpris.MediaPlayer2.tarnwick > '" +
                     signals_ + "' 2>&1 &")
                        .c_str());
        // The monitor names the player's owner once it listens.
        ASSERT_TRUE(WaitForSignals("is owned by", 1));
    }
    // How many times the words have appeared among the signals (or in another monitor's file).
    int SignalCount(const std::string& words) const { return CountIn(signals_, words); }
    static int CountIn(const std::string& file, const std::string& words) {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        const std::string all = text.str();
        int count = 0;
        for (auto at = all.find(words); at != std::string::npos; at = all.find(words, at + 1)) {
            ++count;
        }
        return count;
    }
    bool WaitForSignals(const std::string& words, int count) const {
        return WaitForText(signals_, words, count);
    }
    static bool WaitForText(const std::string& file, const std::string& words, int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            if (CountIn(file, words) >= count) {
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
    const char* display = std::getenv("DISPLAY");
    ASSERT_NE(display, nullptr);
    const struct {
        std::vector<std::string> arguments;
        std::string path;
    } cases[] = {
        {{install.Clip("a2.mp4")}, install.Clip("a2.mp4")},
        {{japanese}, japanese},
        {{notUtf8}, notUtf8},
        {{FileUri(japanese)}, japanese},
        {{"a3.mp4"}, install.Clip("a3.mp4")},
        // The toolkit's options, and their values, are the toolkit's.
        {{"-display", display, "-reverse", "a2.mp4", "-style", "Fusion"}, install.Clip("a2.mp4")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        RunningPlayer player(install, c.arguments);
        EXPECT_TRUE(player.WaitUntil(Plays, 30000)) << player.PositionText();
        EXPECT_EQ(player.Close(), 0);
        EXPECT_EQ(settings.ReadString("Play", "File", ""), c.path)
            << ReadSettingsFile(install.SettingsFile());
        EXPECT_TRUE(settings.ReadBool("Play", "Playing", false));
    }
}

TEST_F(DesktopIntegrationTest, APathOrUriThatCannotBeOpenedIsReportedAndTheProgramStaysUp) {
    const std::string missing = install.Clips() + "/gone #1?.mp4";
    const struct {
        std::string argument;
        std::string words;
    } cases[] = {
        {missing, "ファイルが見つかりません - " + missing},
        // A URI is named as given, never as a file under the current folder.
        {"http://host/film.mp4", "http://host/film.mp4 はローカルのファイルではありません"},
        {"file:///tmp/%zz.mp4", "file:///tmp/%zz.mp4 はローカルのファイルではありません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        RunningPlayer player(install, {c.argument});
        EXPECT_TRUE(player.WaitUntil(
            [&c](const Objects& objects) {
                for (const SeenObject& seen : objects) {
                    if (seen.text.find(c.words) != std::string::npos ||
                        seen.name.find(c.words) != std::string::npos) {
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
}

// Help and version need neither a display nor the player's part; a start that plays without that part
// says why it cannot.
TEST_F(DesktopIntegrationTest, HelpAndVersionAnswerWithoutADisplayOrThePlayerAndAnUnknownOptionFails) {
    const std::string part = std::filesystem::path(install.Program()).parent_path() / "libtarnwick-player.so";
    std::filesystem::rename(part, part + ".away");
    const auto putBack = qScopeGuard([&] { std::filesystem::rename(part + ".away", part); });
    const struct {
        const char* arguments;
        int status;
        std::string words;
    } cases[] = {
        {"--help", 0, "Usage: tarnwick"},
        {"--version", 0, "tarnwick " TARNWICK_VERSION "\n"},
        {"--no-such-option 2>&1", 2, "Usage: tarnwick"},
        {"2>&1", 1, "tarnwick: the player cannot be loaded: "},
    };
    for (const auto& c : cases) {
        int status = 0;
        const std::string output = Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS '" +
                                             install.Program() + "' " + c.arguments,
                                         &status);
        ASSERT_TRUE(WIFEXITED(status)) << c.arguments << ": " << status;
        EXPECT_EQ(WEXITSTATUS(status), c.status) << c.arguments;
        EXPECT_NE(output.find(c.words), std::string::npos) << c.arguments << ": " << output;
    }
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
         {std::string("./usr/bin/tarnwick"), std::string("./usr/libexec/tarnwick/libtarnwick-player.so"),
          std::string("." TARNWICK_GST_PLUGINS_DIR "/libgsthalvion.so"),
          std::string("./usr/share/applications/tarnwick.desktop"),
          std::string("./usr/share/metainfo/org.tarnwick.tarnwick.metainfo.xml"),
          std::string("./usr/share/icons/hicolor/scalable/apps/tarnwick.svg"),
          std::string("./usr/share/icons/hicolor/16x16/apps/tarnwick.png"),
          std::string("./usr/share/icons/hicolor/32x32/apps/tarnwick.png"),
          std::string("./usr/share/icons/hicolor/256x256/apps/tarnwick.png"),
          std::string("./usr/share/man/man1/tarnwick.1.gz"),
          std::string("./usr/share/doc/tarnwick/copyright"),
          std::string("./usr/share/doc/tarnwick/changelog.gz")}) {
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

    // Debian's checker at its default settings: no error and no warning, but for the contact's address,
    // a placeholder until the project has a public one.
    const std::string checked = Shell("lintian --allow-root '" + package + "' 2>&1");
    std::istringstream tags(checked);
    for (std::string line; std::getline(tags, line);) {
        const bool tagged = line.starts_with("E: ") || line.starts_with("W: ");
        EXPECT_TRUE(!tagged || line.ends_with(" bogus-mail-host Maintainer tarnwick@localhost") ||
                    line.find(" bogus-mail-host-in-debian-changelog tarnwick@localhost") != std::string::npos)
            << line << "\n"
            << checked;
    }

    // Unpacked under /opt, where a system keeps installed programs. The administrator may write there,
    // yet a settings file beside the program would then be every user's.
    const SystemFolder installed;
    ASSERT_FALSE(installed.Path().empty()) << "cannot make a folder under /opt";
    const std::string root = installed.Path();
    ASSERT_EQ(std::system(("dpkg-deb -x '" + package + "' '" + root + "'").c_str()), 0);
    // The manual page renders without a warning, as Debian's checker renders it, and names every option
    // the installed program's --help lists.
    const std::string page = root + "/usr/share/man/man1/tarnwick.1.gz";
    const std::string warnings = Shell("LC_ALL=C.UTF-8 MANWIDTH=120 man --warnings -E UTF-8 -l -Tutf8 -Z '" +
                                       page + "' 2>&1 >/dev/null");
    EXPECT_EQ(warnings, "");
    std::string rendered = Shell("LC_ALL=C MANWIDTH=200 man -l -Tascii '" + page + "' 2>/dev/null | col -b");
    ASSERT_NE(rendered.find("EXIT STATUS"), std::string::npos) << rendered;
    const std::string help = Shell("'" + root + "/usr/bin/tarnwick' --help");
    std::istringstream helpWords(help);
    int options = 0;
    for (std::string word; helpWords >> word;) {
        // "-platform," and "(-platform," name an option as "-platform" does.
        word.erase(0, word.find_first_not_of('('));
        while (!word.empty() && (word.back() == ',' || word.back() == ')')) {
            word.pop_back();
        }
        if (word.size() > 1 && word[0] == '-' && std::isalpha(static_cast<unsigned char>(word.back()))) {
            ++options;
            EXPECT_NE(rendered.find(word), std::string::npos) << word << " is missing from the manual page";
        }
    }
    EXPECT_GE(options, 6) << help;
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

    WatchSignals();
    const auto signalled = [this](const std::string& words) { return WaitForSignals(words, 1); };

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

    // The window's own buttons reach clients as the media keys do; the next file, which stops the last
    // one on its way, was told as playing, never as stopped.
    EXPECT_EQ(SignalCount("'PlaybackStatus': <'Stopped'>"), 0);
    player.Press("停止(Y)");
    EXPECT_TRUE(signalled("'PlaybackStatus': <'Stopped'>"));
    const int playing = SignalCount("'PlaybackStatus': <'Playing'>");
    player.Press("再生(Z)");
    EXPECT_TRUE(WaitForSignals("'PlaybackStatus': <'Playing'>", playing + 1));

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
        TempDir marks;
        RunningPlayer second(install, {"--startup-marks", marks / "marks", FileUri(install.Clip("a3.mp4"))});
        EXPECT_EQ(second.WaitForExit(10000), 0) << "the second start ends once it has handed the file over";
        ExpectHandedOverOnly(PhasesIn(marks / "marks"));
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

TEST_F(DesktopIntegrationTest, MprisClientsSeeEveryJumpTheVolumeAndNoWrappedTime) {
    RunningPlayer player(install, {install.Clip("a1.mp4")});
    ASSERT_TRUE(player.WaitUntil(Plays, 30000)) << player.PositionText();
    ASSERT_TRUE(WaitForProperty("PlaybackStatus", "'Playing'", 10000));
    WatchSignals();
    const std::string seeked = "org.mpris.MediaPlayer2.Player.Seeked";
    const auto position = [this] { return NumberIn(Property("org.mpris.MediaPlayer2.Player", "Position")); };

    // The jumps a user makes in the window: a skip button, then a click on the seek bar's track.
    player.ClickButton("+5秒");
    EXPECT_TRUE(WaitForSignals(seeked, 1)) << "after a skip";
    const auto objects = player.Objects();
    const auto bar = std::find_if(objects.begin(), objects.end(), [](const SeenObject& seen) {
        return seen.role == "scroll bar" && seen.width > 4 * seen.height;
    });
    ASSERT_NE(bar, objects.end());
    ClickAt(bar->x + bar->width * 3 / 4, bar->y + bar->height / 2);
    EXPECT_TRUE(WaitForSignals(seeked, 2)) << "after the seek bar";

    // A rate of 0 is a pause; the loop status is the list's, and stays so.
    SetProperty("Rate", "<0.0>");
    EXPECT_TRUE(WaitForProperty("PlaybackStatus", "'Paused'", 10000));
    SetProperty("LoopStatus", "<'None'>");
    EXPECT_NE(Property("org.mpris.MediaPlayer2.Player", "LoopStatus").find("'Playlist'"), std::string::npos);

    // The computer's volume, as the sound server shows the stream's.
    SetProperty("Volume", "<0.5>");
    EXPECT_TRUE(WaitForProperty("Volume", "<0.5", 10000));
    EXPECT_TRUE(WaitForSignals("'Volume': <0.5", 1));
    const auto streamAtHalf = [] {
        std::string streams;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while ((streams = Shell("pactl list sink-inputs 2>&1")).find("/  50% /") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return streams;
    };
    EXPECT_NE(streamAtHalf().find("/  50% /"), std::string::npos) << Shell("pactl list sink-inputs 2>&1");

    // Microseconds a client may send are clamped, never wrapped: a position past the end is let go,
    // a seek before the start goes to it, and a seek past the end is the next file. Paused, the
    // position moves only by these.
    const long long before = position();
    // The seek bar's page step goes from where the bar was drawn last, which may be before the skip.
    ASSERT_GT(before, 300'000);
    const std::string metadata = Property("org.mpris.MediaPlayer2.Player", "Metadata");
    const auto track = metadata.find("/org/tarnwick/Track/");
    ASSERT_NE(track, std::string::npos) << metadata;
    const std::string trackId = metadata.substr(track, metadata.find('\'', track) - track);
    Mpris("org.mpris.MediaPlayer2.Player.SetPosition", trackId + " 922337203685477581");
    EXPECT_NEAR(position(), before, 100'000) << "a position past the end moves nothing";
    Mpris("org.mpris.MediaPlayer2.Player.Seek", "-- -9000000000000000000");
    EXPECT_TRUE(WaitForSignals(seeked + " (int64 0,)", 1)) << "a seek before the start goes to it";
    Mpris("org.mpris.MediaPlayer2.Player.Seek", "9000000000000000000");
    EXPECT_TRUE(WaitForProperty("Metadata", "'xesam:title': <'a2.mp4'>", 10000));
    // The next file's sound renderer is a new stream, at the volume set.
    EXPECT_TRUE(WaitForProperty("PlaybackStatus", "'Playing'", 10000));
    EXPECT_TRUE(WaitForProperty("Volume", "<0.5", 10000));
    EXPECT_NE(streamAtHalf().find("/  50% /"), std::string::npos) << Shell("pactl list sink-inputs 2>&1");

    // Opening the file that plays is a new track too: a client that kept the old one would place
    // the restarted file at the old position.
    const auto trackNow = [this] {
        const std::string metadata = Property("org.mpris.MediaPlayer2.Player", "Metadata");
        const auto at = metadata.find("/org/tarnwick/Track/");
        return at == std::string::npos ? std::string() : metadata.substr(at, metadata.find('\'', at) - at);
    };
    const std::string playing = trackNow();
    ASSERT_FALSE(playing.empty());
    Mpris("org.mpris.MediaPlayer2.Player.OpenUri", "'" + FileUri(install.Clip("a2.mp4")) + "'");
    const auto trackDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (trackNow() == playing && std::chrono::steady_clock::now() < trackDeadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_NE(trackNow(), playing);
    EXPECT_TRUE(WaitForSignals("'mpris:trackid': <objectpath '" + trackNow() + "'>", 1));
    EXPECT_EQ(player.Close(), 0);

    // The resume at the next start opens the stored file and then jumps within it. The player's
    // name is not owned while it starts, so this monitor listens by the signal's name alone, and
    // shows that it listens by catching one of the test's own first.
    settings.WriteBool("Play", "Resume", true);
    settings.WriteString("Play", "Position", "50000000");
    const std::string bus = "DBUS_SESSION_BUS_ADDRESS='" + install.Bus() + "' ";
    const std::string resumeSignals = install.Clips() + "/../resume-signals.txt";
    std::system((bus + "timeout 60 dbus-monitor --session \"type='signal',member='Seeked'\" > '" +
                 resumeSignals + "' 2>&1 &")
                    .c_str());
    const auto listening = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (CountIn(resumeSignals, "org.tarnwick.Probe") == 0 &&
           std::chrono::steady_clock::now() < listening) {
        std::system(
            (bus + "gdbus emit --session -o /probe -s org.tarnwick.Probe.Seeked >/dev/null 2>&1").c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Its first read is slowed past the moment the waiting window draws itself, so that what the
    // first paint starts (the plugin preload) is held back behind the build: the jump that follows is
    // still told with the position it reached, not with the last one known before the build.
    std::optional<SlowFirstRead> slowRead(std::in_place, "/a2.mp4", 400);
    RunningPlayer resumed(install);
    slowRead.reset();
    EXPECT_TRUE(WaitForText(resumeSignals, "int64 5000000", 1)) << "after the resume";
    EXPECT_EQ(resumed.Close(), 0);
}

TEST_F(DesktopIntegrationTest, StartsAtTheSameMomentMeetInOneWindow) {
    // As a file manager's "Open With" on four files starts them; again, since which start wins, and
    // which files reach it while it moves the player's name to its application, differ each time.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TempDir marks;
        std::vector<std::unique_ptr<RunningPlayer>> starts;
        for (const char* clip : {"a1.mp4", "a2.mp4", "a3.mp4", "a1.mp4"}) {
            starts.push_back(std::make_unique<RunningPlayer>(
                install, std::vector<std::string>{"--startup-marks", marks / std::to_string(starts.size()),
                                                  install.Clip(clip)}));
        }
        int ended = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::vector<bool> done(starts.size(), false);
        while (ended < 3 && std::chrono::steady_clock::now() < deadline) {
            for (std::size_t at = 0; at < starts.size(); ++at) {
                if (!done[at]) {
                    const int status = starts[at]->WaitForExit(50);
                    if (status != -1) {
                        done[at] = true;
                        ++ended;
                        EXPECT_EQ(status, 0) << "a start that handed its file over";
                        ExpectHandedOverOnly(PhasesIn(marks / std::to_string(at)));
                    }
                }
            }
        }
        ASSERT_EQ(ended, 3);
        const std::size_t playing =
            static_cast<std::size_t>(std::find(done.begin(), done.end(), false) - done.begin());
        RunningPlayer& player = *starts[playing];
        // The others are answered on the name's first connection, before the player has made its
        // application: its marks are complete once it plays.
        ASSERT_TRUE(player.WaitUntil(Plays, 30000)) << player.PositionText();
        ExpectClaimedThenStartedMedia(PhasesIn(marks / std::to_string(playing)));
        EXPECT_TRUE(WaitForProperty("PlaybackStatus", "'Playing'", 10000));
        int windows = 0;
        for (const X11Window& window : ListTitledWindows()) {
            windows += window.title.find("Tarnwick") != std::string::npos ? 1 : 0;
        }
        EXPECT_EQ(windows, 1);
        EXPECT_EQ(player.Close(), 0);
    }
}

// A file handed over while the player that plays its own file moves its name from the connection that
// claimed it to its application's is not lost, nor replaced by the player's own: the start is held
// still as soon as it owns the name, so that the call reaches it there.
TEST_F(DesktopIntegrationTest, AFileHandedOverWhileThePlayerStartsReachesItsWindow) {
    RunningPlayer player(install, {install.Clip("a1.mp4")});
    const std::string bus = "DBUS_SESSION_BUS_ADDRESS='" + install.Bus() + "' ";
    int status = 0;
    Shell(bus + "gdbus wait --session --timeout 30 org.mpris.MediaPlayer2.tarnwick", &status);
    ASSERT_EQ(status, 0) << "the player never owned its name";
    ::kill(player.Pid(), SIGSTOP);
    // dbus-send, unlike gdbus, sends the call at once, without asking the stopped player first what
    // it serves.
    const std::string answer = install.Clips() + "/../hand-over-answer.txt";
    std::system((bus + "dbus-send --session --print-reply --reply-timeout=30000" +
                 " --dest=org.mpris.MediaPlayer2.tarnwick /org/tarnwick/HandOver org.tarnwick.HandOver.Open" +
                 " string:'" + FileUri(install.Clip("a3.mp4")) + "' int64:9223372036854775807 > '" + answer +
                 "' 2>&1 &")
                    .c_str());
    // A window in which nothing may happen: the call must be on its way to the stopped player before
    // it runs on, and a stopped player gives nothing to wait for.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(player.Pid(), SIGCONT);
    EXPECT_TRUE(WaitForText(answer, "boolean true", 1)) << Shell("cat '" + answer + "'");
    // Handed over before the window's start, the file came after the one the player was given (the
    // player claimed the name first): it plays in that one's place, and the given one never opens.
    EXPECT_TRUE(player.WaitUntil(
        [&player](const Objects& o) { return Plays(o) && player.SelectedFile() == "a3.mp4"; }, 30000))
        << player.PositionText();
    EXPECT_TRUE(WaitForProperty("Metadata", "/org/tarnwick/Track/1'", 10000))
        << Property("org.mpris.MediaPlayer2.Player", "Metadata");
    EXPECT_EQ(player.Close(), 0);
}

TEST_F(DesktopIntegrationTest, AFileHandedToAPlayerThatDoesNotAnswerPlaysOnceInOneWindow) {
    RunningPlayer first(install);
    ASSERT_TRUE(first.WaitUntilReady());
    ASSERT_TRUE(WaitForProperty("PlaybackStatus", "'Stopped'", 10000));
    ::kill(first.Pid(), SIGSTOP);

    RunningPlayer second(install, {install.Clip("a2.mp4")});
    const std::string own = "org.mpris.MediaPlayer2.tarnwick.instance" + std::to_string(second.Pid());
    EXPECT_TRUE(WaitForProperty("PlaybackStatus", "'Playing'", 60000, own))
        << "the second start plays the file";
    ::kill(first.Pid(), SIGCONT);

    // The first player reads its calls in order: once it has refused a late one sent now, it has read
    // the second start's too, and a file it took would be opening before it answers MPRIS again.
    const std::string late =
        Shell("DBUS_SESSION_BUS_ADDRESS='" + install.Bus() +
              "' gdbus call --session -d org.mpris.MediaPlayer2.tarnwick -o /org/tarnwick/HandOver"
              " -m org.tarnwick.HandOver.Open 'file:///x.mp4' 0 2>&1");
    EXPECT_NE(late.find("(false,)"), std::string::npos) << late;
    Property("org.mpris.MediaPlayer2.Player", "PlaybackStatus");
    EXPECT_NE(Property("org.mpris.MediaPlayer2.Player", "PlaybackStatus").find("'Stopped'"),
              std::string::npos);
    EXPECT_EQ(Property("org.mpris.MediaPlayer2.Player", "Metadata").find("a2.mp4"), std::string::npos);
    EXPECT_TRUE(WaitForProperty("PlaybackStatus", "'Playing'", 10000, own));
    // Each by its own name: both windows carry the same title.
    Mpris("org.mpris.MediaPlayer2.Quit", "", own);
    EXPECT_EQ(second.WaitForExit(15000), 0);
    EXPECT_EQ(first.Close(), 0);
}

} // namespace
