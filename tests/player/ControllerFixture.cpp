// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/player/ControllerFixture.h"

#include "app/SessionEnd.h"
#include "browser/TFileListBox.h"
#include "core/SettingsFileName.h"
#include "graph/GraphWait.h"
#include "player/HandlerDispatcher.h"
#include "player/StartAhead.h"
#include "tests/support/Poll.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <sstream>
#include <sys/eventfd.h>
#include <unistd.h>

void ControllerTest::SetUp() {
    std::remove(SettingsFileName().c_str());
    for (int number = 1; number <= 3; ++number) {
        media.WriteFile("clip" + std::to_string(number) + ".avi", "");
    }
    media.WriteFile("notes.txt", "not a video");
    NewGraphSystem();
}

void ControllerTest::TearDown() {
    if (form) {
        Shutdown();
    }
    std::remove(SettingsFileName().c_str());
}

std::string ControllerTest::Clip(int number) const {
    return media / ("clip" + std::to_string(number) + ".avi");
}

void ControllerTest::StoreSettings(const std::string& text) const {
    std::FILE* file = std::fopen(SettingsFileName().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

std::string ControllerTest::StoredSettings() const {
    return ReadFileText(SettingsFileName());
}

std::string ControllerTest::StoredValue(const std::string& key) const {
    std::istringstream in(StoredSettings());
    bool inPlay = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) {
            inPlay = line == "[Play]";
        } else if (inPlay && line.starts_with(key + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return "(missing)";
}

void ControllerTest::NewGraphSystem() {
    system = MakeGraphSystem();
}

std::shared_ptr<FakeGraphSystem> ControllerTest::MakeGraphSystem() const {
    auto made = std::make_shared<FakeGraphSystem>();
    for (int number = 1; number <= 3; ++number) {
        made->Graph().AddMedia(Clip(number));
    }
    made->Graph().SourceWidth = 720;
    made->Graph().SourceHeight = 480;
    made->Graph().StopPosition = Hour;
    return made;
}

SeenBox ControllerTest::Start(const std::function<void()>& whileOpen) {
    const std::vector<SeenBox> boxes = AnswerEveryBox(
        [this] {
            form = std::make_unique<TfrmMain>(system);
            form->Timer1->stop();
            if (const auto plan = aheadSystem ? PlanFromSettingsFile(startPath) : std::nullopt) {
                form->BuildAhead(std::make_unique<StartAhead>(*plan, aheadSystem));
            }
            form->StartPath = startPath;
            form->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
            QApplication::processEvents();
        },
        whileOpen);
    startBoxes = boxes;
    return boxes.empty() ? SeenBox{} : boxes.front();
}

void ControllerTest::StartIn(const std::string& folder) {
    StoreSettings("[Play]\nDir=" + folder + "\n");
    const SeenBox box = Start();
    EXPECT_FALSE(box.seen) << box.text.toStdString();
    EXPECT_EQ(form->FileListBox1->CurrentDir(), folder);
}

SeenBox ControllerTest::Shutdown() {
    const std::vector<SeenBox> boxes = AnswerEveryBox([this] { form.reset(); });
    return boxes.empty() ? SeenBox{} : boxes.front();
}

void ControllerTest::HoldGraphWait(const std::function<void()>& meanwhile) {
    // A graph with no news for the whole wait: only the window's own events end each sleep.
    const int quiet = eventfd(0, EFD_CLOEXEC);
    {
        GraphWait wait(system->WaitListener(), quiet);
        meanwhile();
        // Posted last, so delivered last: the wait delivers nothing before the window has waited
        // unseen for a moment.
        bool delivered = false;
        QTimer::singleShot(0, form.get(), [&delivered] { delivered = true; });
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(5000);
        while (!delivered && std::chrono::steady_clock::now() < until) {
            wait.Sleep(until);
        }
        EXPECT_TRUE(delivered) << "what arrived during the wait was never delivered";
    }
    ::close(quiet);
}

std::unique_ptr<QObject> ControllerTest::WatchSessionEnd() {
    InstallSessionEndSignals();
    MarkSettingsRead();
    return std::make_unique<SessionEndWatcher>([window = form.get()] {
        window->Dispatcher().Arrive(Arrival::SessionEnd, [window] {
            window->close();
            QCoreApplication::quit();
        });
    });
}

std::vector<std::string> ControllerTest::Opened() const {
    std::vector<std::string> paths;
    for (const std::string& call : system->Script().CallsStartingWith("RenderFile")) {
        // An empty path is recorded without its parentheses.
        paths.push_back(call == "RenderFile" ? std::string() : call.substr(11, call.size() - 12));
    }
    return paths;
}

void ControllerTest::DoubleClick() {
    emit form->FileListBox1->OnDblClick();
}

int ControllerTest::Selected() const {
    return form->FileListBox1->ItemIndex();
}

std::vector<SeenBox> AnswerEveryBox(const std::function<void()>& action,
                                    const std::function<void()>& whileOpen) {
    std::vector<SeenBox> seen;
    QTimer poll;
    poll.setInterval(10);
    // A box is marked rather than remembered by address: the next box may be built where the last one
    // was. The work done inside a box runs from a timer of its own, so that a box it opens in turn is
    // still answered by this poll instead of hanging the test.
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box->property("busy").toBool()) {
            return;
        }
        if (!box->property("seen").toBool()) {
            box->setProperty("seen", true);
            seen.push_back({true, box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                            box->parentWidget()});
            if (whileOpen) {
                box->setProperty("busy", true);
                QTimer::singleShot(0, box, [box, &whileOpen] {
                    whileOpen();
                    box->setProperty("busy", false);
                });
            }
            return;
        }
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    action();
    poll.stop();
    return seen;
}
