// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/EventOrNewsSleep.h"

#include "graph/GraphWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <glib.h>
#include <memory>

namespace {

gboolean TakeNews(GSource*, GSourceFunc, gpointer) {
    // Only waking the loop matters: whoever sleeps reads the news itself.
    return G_SOURCE_CONTINUE;
}

GSourceFuncs newsFunctions{nullptr, nullptr, &TakeNews, nullptr, nullptr, nullptr};

struct SourceUnref {
    void operator()(GSource* source) const {
        g_source_destroy(source);
        g_source_unref(source);
    }
};

} // namespace

void SleepUntilEventOrNews(int news, std::chrono::steady_clock::time_point until,
                           QEventLoop::ProcessEventsFlags flags) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return;
    }
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr || !dispatcher->inherits("QEventDispatcherGlib")) {
        // Only a GLib loop can be told to watch the descriptor and the deadline beside its own events
        // (Qt's own loop runs on GLib on every desktop this program is made for): elsewhere the window
        // is served between short sleeps.
        if (!SleepOnDescriptor(
                news, std::min(until, std::chrono::steady_clock::now() + std::chrono::milliseconds(2)))) {
            QCoreApplication::processEvents(flags);
        }
        return;
    }
    // On the user-interface thread Qt's loop iterates GLib's default context: a source there with the
    // descriptor and a ready time makes one blocking iteration end at whichever comes first.
    std::unique_ptr<GSource, SourceUnref> source(g_source_new(&newsFunctions, sizeof(GSource)));
    if (news >= 0) {
        g_source_add_unix_fd(source.get(), news, G_IO_IN);
    }
    g_source_set_ready_time(source.get(), g_get_monotonic_time() + left.count());
    g_source_attach(source.get(), g_main_context_default());
    QCoreApplication::processEvents(flags | QEventLoop::WaitForMoreEvents);
}
