// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "tests/support/TempDir.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// One object of the running program as assistive technologies see it.
struct SeenObject {
    std::string role;
    std::string name;
    std::string text;
    std::string states; // "selected", "checked", ... separated by commas
    int x = 0, y = 0, width = 0, height = 0;

    bool Has(const std::string& state) const { return states.find(state) != std::string::npos; }
};

// A copy of the program with its device plugin in a folder of its own (so its settings file is the
// test's), a folder of clips beside it, and a D-Bus session through which the test reads the running
// program's controls over AT-SPI, as a screen reader does.
class PlayerInstall {
public:
    // Three clips a1, a2 and a3 of the container given by the extension, each as long as given.
    explicit PlayerInstall(const std::string& extension = ".avi", double seconds = 1.5);
    ~PlayerInstall();
    PlayerInstall(const PlayerInstall&) = delete;
    PlayerInstall& operator=(const PlayerInstall&) = delete;

    std::string Program() const { return dir_ / "bin/tarnwick"; }
    std::string SettingsFile() const { return dir_ / "bin/tarnwick.ini"; }
    std::string Clips() const { return dir_ / "clips"; }
    std::string Clip(const std::string& name) const { return Clips() + "/" + name; }
    const std::string& Bus() const { return busAddress_; }
    const std::string& Extension() const { return extension_; }

private:
    TempDir dir_;
    std::string extension_;
    std::string busAddress_;
    int busPid_ = 0;
};

// While it lives, a program started makes its first read of the file whose path ends with
// `fileSuffix` wait `ms` milliseconds first, as a disk spinning up or a network share does. End it
// once the program has started, so that what the test starts afterwards reads at full speed.
class SlowFirstRead {
public:
    SlowFirstRead(const std::string& fileSuffix, int ms);
    ~SlowFirstRead();
    SlowFirstRead(const SlowFirstRead&) = delete;
    SlowFirstRead& operator=(const SlowFirstRead&) = delete;

private:
    std::string sanitizerOptions_;
};

// The program running from an install, started in its clips folder.
class RunningPlayer {
public:
    // `program` runs another copy of the program (an installed one) with the install's clips and bus.
    explicit RunningPlayer(const PlayerInstall& install, const std::vector<std::string>& arguments = {},
                           const std::string& program = {});
    ~RunningPlayer();
    RunningPlayer(const RunningPlayer&) = delete;
    RunningPlayer& operator=(const RunningPlayer&) = delete;

    // Every object of the program's accessible tree.
    std::vector<SeenObject> Objects() const;
    // The first object with the role and name, if any.
    std::optional<SeenObject> Find(const std::string& role, const std::string& name) const;
    // Polls the tree until the condition holds; false when the timeout passes first.
    bool WaitUntil(const std::function<bool(const std::vector<SeenObject>&)>& condition, int timeoutMs) const;

    // Waits until the window shows its controls to assistive technologies; false when it does not.
    bool WaitUntilReady(int timeoutMs = 60000) const;

    std::string PositionText() const;
    std::string SelectedFile() const;

    void DoubleClickFile(const std::string& name) const;
    void ClickButton(const std::string& caption) const;
    // Works a control through its accessible action, as assistive technologies do; unlike a click, it
    // cannot land on another window lying over the control.
    void Press(const std::string& name) const;
    // Answers the modal box whose text contains the given words with OK; false when none came.
    bool AnswerBox(const std::string& words, int timeoutMs) const;

    // Closes the window as a window manager's close button does and waits for the program to end;
    // returns the exit status, or -1 when it did not end in time.
    int Close(int timeoutMs = 15000);
    // Waits for the program to end by itself; the exit status, or -1 when it did not end in time.
    int WaitForExit(int timeoutMs);
    bool Running() const;
    int Pid() const { return pid_; }

private:
    const PlayerInstall& install_;
    int pid_ = 0;
    bool ended_ = false;
};

// The settings file's section "Play" as key=value lines, for messages.
std::string ReadSettingsFile(const std::string& path);
