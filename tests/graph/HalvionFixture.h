// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "graph/GraphNames.h"
#include "graph/Halvion.h"
#include "tests/support/fakegraph/FakeGraphSystem.h"

#include <algorithm>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// The window's side of the playback object, recorded.
class RecordingErrorBox : public ErrorBoxLink {
public:
    void ShowError(const std::string& caption, const std::string& text) override {
        Captions.push_back(caption);
        Texts.push_back(text);
        if (WhileOpen) {
            WhileOpen();
        }
    }
    std::vector<std::string> Captions;
    std::vector<std::string> Texts;
    // Runs while the box is open, as the nested message loop of a modal box would.
    std::function<void()> WhileOpen;
};

// Keeps its position within its range, as the real scroll bar does.
class RecordingSeekBar : public SeekBarLink {
public:
    void SetMax(int maximum) override { Max = maximum; }
    void SetPosition(int position) override {
        Requested.push_back(position);
        Position = std::clamp(position, 0, Max);
    }
    int Max = 100;
    int Position = 0;
    std::vector<int> Requested;
};

class RecordingTextSink : public TextSinkLink {
public:
    void AppendLine(const std::string& line) override { Lines.push_back(line); }
    std::vector<std::string> Lines;
};

class HalvionTest : public ::testing::Test {
protected:
    void Create() { player = std::make_unique<THalvion>(system, errors); }

    // Creates the object if needed, sets the outputs and opens the file.
    void Open(const std::string& path, bool video, bool audio) {
        if (!player) {
            Create();
        }
        player->SetEnableVideo(video);
        player->SetEnableAudio(audio);
        player->OpenFile(path);
    }

    bool HasFilter(const std::string& name) const { return graph.FindFilter(name) != nullptr; }

    std::shared_ptr<FakeGraphSystem> system = std::make_shared<FakeGraphSystem>();
    // Valid while the playback object holds the graph.
    FakeGraph& graph = system->Graph();
    FakeScript& script = system->Script();
    RecordingErrorBox errors;
    std::unique_ptr<THalvion> player;
};

inline constexpr MediaTime Seconds = 10'000'000;
