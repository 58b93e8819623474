// Reads the running program's controls back the way a screen reader does: over AT-SPI, on a D-Bus
// session of the test's own, from a copy of the program started in a folder with known files.

#include "tests/support/TempDir.h"
#include "tests/support/TestServers.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The output of a shell command, which must succeed.
std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::array<char, 4096> buffer{};
    size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), read);
    }
    const int status = ::pclose(pipe);
    if (status != 0) {
        throw std::runtime_error(command + " failed with " + std::to_string(status) + ": " + output);
    }
    return output;
}

// A D-Bus session bus for this test alone; assistive technologies find their own bus through it.
class SessionBus {
public:
    SessionBus() {
        const std::string started =
            RunCommand("dbus-daemon --session --fork --print-address=1 --print-pid=1");
        const auto newline = started.find('\n');
        address_ = started.substr(0, newline);
        pid_ = std::stoi(started.substr(newline + 1));
    }
    ~SessionBus() { ::kill(pid_, SIGTERM); }
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;
    const std::string& Address() const { return address_; }

private:
    std::string address_;
    pid_t pid_ = 0;
};

// The program, started in `folder` with the accessibility bridge on.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::string& folder, const std::string& bus) {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(folder.c_str()) != 0) {
                ::_exit(127);
            }
            ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
            ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~RunningProgram() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

private:
    pid_t pid_ = 0;
};

class AccessibilityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureTestServers();
        TempDir folder;
        const std::string program = folder / "tarnwick";
        std::filesystem::copy_file(TARNWICK_PROGRAM, program);
        folder.WriteFile("clip1.avi", "");
        folder.WriteFile("clip2.mp4", "");
        folder.WriteFile("clip3.vob", "");
        SessionBus bus;
        RunningProgram running(program, folder.Path(), bus.Address());
        tree_ = new std::string(RunCommand("DBUS_SESSION_BUS_ADDRESS='" + bus.Address() +
                                           "' /usr/bin/python3 " + TARNWICK_ATSPI_SCRIPT + " Tarnwick 60"));
    }
    static void TearDownTestSuite() { delete tree_; }

    static const std::string& Tree() { return *tree_; }

private:
    static inline std::string* tree_ = nullptr;
};

TEST_F(AccessibilityTest, TheWindowAndItsToolbarItemsCarryTheirCaptions) {
    EXPECT_THAT(Tree(), HasSubstr("application|Tarnwick\n"));
    EXPECT_THAT(Tree(), HasSubstr("|Tarnwick 1.06\n"));
    for (const char* caption : {"再生(Z)", "一時停止", "停止(Y)", "前のファイル(X)", "次のファイル(W)",
                                "-15秒", "-5秒", "+5秒", "+15秒", "+30秒", "+60秒", "+90秒", "FilterInfo"}) {
        EXPECT_THAT(Tree(), HasSubstr(std::string("push button|") + caption + "\n"));
    }
}

TEST_F(AccessibilityTest, CheckBoxesAndLabelledEditsAreNamedByTheirCaptionsAndLabels) {
    for (const char* caption : {"映像出力", "音声出力", "次回起動時、終了した所から再生"}) {
        EXPECT_THAT(Tree(), HasSubstr(std::string("check box|") + caption + "\n"));
    }
    for (const char* label : {"再生位置", "サイズ", "BitRate"}) {
        EXPECT_THAT(Tree(), HasSubstr(std::string("text|") + label + "|\n"));
    }
    // The memo exposes its text (empty at the start).
    EXPECT_THAT(Tree(), HasSubstr("text|Memo1|\n"));
    EXPECT_THAT(Tree(), HasSubstr("status bar|"));
}

TEST_F(AccessibilityTest, TheBrowserListsExposeTheirRowsAndTheSelectorsTheirEntries) {
    EXPECT_THAT(Tree(), HasSubstr("list item|clip1.avi\n"));
    EXPECT_THAT(Tree(), HasSubstr("list item|clip3.vob\n"));
    // The built-in filter's first entry lists only the types it names.
    EXPECT_THAT(Tree(), Not(HasSubstr("list item|clip2.mp4\n")));
    // The directory list shows the chain down to the start-up folder.
    EXPECT_THAT(Tree(), HasSubstr("list item|tmp\n"));
    // A combo box is followed by its list of entries: the drives ("a: [/]") and the filters.
    EXPECT_TRUE(std::regex_search(
        Tree(), std::regex(R"(combo box\|[a-z]: \[[^\n]*\n +list\|\n +list item\|[a-z]: \[)")))
        << Tree();
    EXPECT_TRUE(std::regex_search(
        Tree(), std::regex(R"(combo box\|再生可能なファイル\n +list\|\n +list item\|再生可能なファイル\n)")))
        << Tree();
}

} // namespace
