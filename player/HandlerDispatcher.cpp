// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/HandlerDispatcher.h"

#include "app/ErrorBox.h"
#include "app/HandlerGuard.h"
#include "player/EventOrNewsSleep.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <stdexcept>

const ArrivalRule& RuleFor(Arrival arrival) {
    for (const ArrivalRule& rule : kArrivalRules) {
        if (rule.arrival == arrival) {
            return rule;
        }
    }
    throw std::logic_error("an arrival without a rule");
}

HandlerDispatcher::HandlerDispatcher(QWidget& window) : QObject(&window), window_(&window) {
    // Boxes are seen as they show and hide, whoever opens them: the player's own, the application's,
    // the browser's.
    QCoreApplication::instance()->installEventFilter(this);
}

HandlerDispatcher::~HandlerDispatcher() = default;

bool HandlerDispatcher::Busy() const {
    return waitDepth_ > 0 || OpenBoxes() > 0;
}

int HandlerDispatcher::OpenBoxes() const {
    return static_cast<int>(std::count_if(
        boxes_.begin(), boxes_.end(), [](const QPointer<QDialog>& box) { return box && box->isVisible(); }));
}

void HandlerDispatcher::Arrive(Arrival arrival, std::function<void()> handler) {
    if (ArrivalSeen) {
        ArrivalSeen(arrival);
    }
    const ArrivalRule& rule = RuleFor(arrival);
    // The session's end waits for nobody, a close queued before it included.
    if (rule.whileBusy == WhileBusy::EndsTheRun) {
        EndSession(std::move(handler));
        return;
    }
    if (closed_ || ended_) {
        return;
    }
    // An answer never waits behind anything.
    if (rule.whileBusy == WhileBusy::AnsweredNow) {
        Run(handler);
        return;
    }
    if (!Busy()) {
        // Outside every handler, what came earlier and still waits for its drain goes first, now: a
        // caller that runs a command outside the event loop sees it done when the call returns.
        if (running_ == 0 && !queue_.empty()) {
            Drain();
            if (closed_ || ended_) {
                return;
            }
        }
        // A handler that another one calls while it runs (a signal it raises) is part of it.
        if (running_ > 0 || queue_.empty()) {
            if (rule.endsWhatFollows) {
                ended_ = true;
                queue_.clear();
            }
            Run(handler);
            return;
        }
        Enqueue(arrival, std::move(handler));
        return;
    }
    switch (rule.whileBusy) {
    case WhileBusy::Dropped:
        return;
    case WhileBusy::AnsweredNow:
    case WhileBusy::EndsTheRun:
        return; // taken above
    case WhileBusy::LatestWaits:
        queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                    [arrival](const Waiting& queued) { return queued.arrival == arrival; }),
                     queue_.end());
        Enqueue(arrival, std::move(handler));
        return;
    case WhileBusy::Waits:
        Enqueue(arrival, std::move(handler));
        return;
    }
}

void HandlerDispatcher::ArriveAfterQueued(Arrival arrival, std::function<void()> handler) {
    if (closed_ || ended_) {
        return;
    }
    if (RuleFor(arrival).whileBusy == WhileBusy::LatestWaits) {
        queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                    [arrival](const Waiting& queued) { return queued.arrival == arrival; }),
                     queue_.end());
    }
    Enqueue(arrival, std::move(handler));
}

void HandlerDispatcher::Enqueue(Arrival arrival, std::function<void()> handler) {
    queue_.push_back({arrival, std::move(handler)});
    if (RuleFor(arrival).endsWhatFollows) {
        ended_ = true;
    }
    DrainLater();
}

void HandlerDispatcher::EndSession(std::function<void()> close) {
    if (closed_ || endingSession_) {
        return;
    }
    endingSession_ = true;
    SendErrorsToStandardError();
    CloseOpenBoxes();
    queue_.clear();
    ended_ = true;
    if (!Busy() && running_ == 0) {
        Run(close);
        return;
    }
    queue_.push_back({Arrival::SessionEnd, std::move(close)});
    DrainLater();
}

void HandlerDispatcher::WindowClosed() {
    closed_ = true;
    queue_.clear();
}

void HandlerDispatcher::Run(const std::function<void()>& handler) {
    ++running_;
    RunHandler(handler);
    --running_;
    DrainLater();
}

void HandlerDispatcher::DrainLater() {
    if (drainPosted_ || queue_.empty() || running_ > 0 || Busy()) {
        return;
    }
    drainPosted_ = true;
    // From the event loop: the handler that made the queue non-empty, or closed the box, has not yet
    // returned to it.
    QTimer::singleShot(0, this, [this] {
        drainPosted_ = false;
        Drain();
    });
}

void HandlerDispatcher::Drain() {
    // Posted from the main loop, but a box's loop or a wait may deliver it: then it is asked again once
    // the outermost handler has returned.
    if (draining_ || running_ > 0 || Busy()) {
        return;
    }
    draining_ = true;
    while (!queue_.empty() && !Busy() && running_ == 0) {
        std::function<void()> handler = std::move(queue_.front().handler);
        queue_.pop_front();
        Run(handler);
    }
    draining_ = false;
    DrainLater();
}

void HandlerDispatcher::CloseOpenBoxes() {
    for (const QPointer<QDialog>& box : std::vector<QPointer<QDialog>>(boxes_)) {
        if (!box || !box->isVisible()) {
            continue;
        }
        QString text = box->windowTitle();
        if (const auto* message = qobject_cast<QMessageBox*>(box.data())) {
            // As the box would have gone to standard error had it been opened now.
            text = message->objectName() == QStringLiteral("PlayerErrorBox")
                       ? message->windowTitle() + QStringLiteral(": ") + message->text()
                       : message->text();
        }
        // Shown before the session ended, it is no failure of the shutdown.
        EchoOnStandardError(text);
        box->done(QDialog::Rejected);
    }
}

void HandlerDispatcher::GraphWaitBegins() {
    if (waitDepth_++ == 0) {
        waitBegan_ = std::chrono::steady_clock::now();
    }
}

void HandlerDispatcher::GraphWaitSleeps(int news, std::chrono::steady_clock::time_point until) {
    // A good local file opens in a blink, and the window would only delay its first picture by drawing
    // meanwhile; nobody sees a window that has not answered for a tenth of a second. Once the window
    // has closed, nothing is left to draw, and nothing that comes is to be taken. A wait inside the
    // window's own turn (a handler the turn ran waits too) only sleeps.
    constexpr std::chrono::milliseconds kUnnoticed{100};
    const auto drawFrom = waitBegan_ + kUnnoticed;
    if (closed_ || pumping_ || until <= drawFrom) {
        SleepOnDescriptor(news, until);
        return;
    }
    if (std::chrono::steady_clock::now() < drawFrom && SleepOnDescriptor(news, drawFrom)) {
        return;
    }
    pumping_ = true;
    SleepUntilEventOrNews(news, until,
                          QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                              QEventLoop::X11ExcludeTimers);
    pumping_ = false;
}

void HandlerDispatcher::GraphWaitEnds() {
    if (--waitDepth_ == 0) {
        for (const QPointer<QSocketNotifier>& notifier : heldNotifiers_) {
            if (notifier) {
                notifier->setEnabled(true);
            }
        }
        heldNotifiers_.clear();
    }
    DrainLater();
}

bool HandlerDispatcher::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        if (auto* box = qobject_cast<QDialog*>(watched); box != nullptr && box->isModal()) {
            if (std::find(boxes_.begin(), boxes_.end(), box) == boxes_.end()) {
                boxes_.emplace_back(box);
            }
        }
        return false;
    case QEvent::Hide:
        if (auto* box = qobject_cast<QDialog*>(watched); box != nullptr) {
            boxes_.erase(
                std::remove_if(boxes_.begin(), boxes_.end(),
                               [box](const QPointer<QDialog>& open) { return !open || open == box; }),
                boxes_.end());
            DrainLater();
        }
        return false;
    case QEvent::Timer:
        // While the graph waits, not taken now, but not lost: a timer fires again after the wait.
        return pumping_;
    case QEvent::SockAct:
        // A socket with data is taken after the wait: the session's signals come through one, so they
        // wait too. Its notifier sleeps meanwhile, or the data left unread would wake the wait at once,
        // over and over.
        if (auto* notifier = qobject_cast<QSocketNotifier*>(watched); pumping_ && notifier != nullptr) {
            notifier->setEnabled(false);
            heldNotifiers_.emplace_back(notifier);
        }
        return pumping_;
    case QEvent::Close:
        // The window manager's close during a wait is taken in its turn, after what came before it.
        if (pumping_ && window_ && watched == window_->windowHandle()) {
            Arrive(Arrival::WindowClose, [window = window_] {
                if (window) {
                    window->close();
                }
            });
            return true;
        }
        return false;
    default:
        return false;
    }
}
