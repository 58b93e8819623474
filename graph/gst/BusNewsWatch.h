// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <glib.h>

// Looks at a graph's news while the window idles: armed, it calls back on the user-interface thread
// (the default GLib main context, which the window's event loop runs) whenever the descriptor is
// readable. The callback must make the descriptor unreadable again (take the news), or it is called
// again at once. While a graph waits for its pipeline, the wait takes the messages itself; the watch
// then looks again a little later instead of waking the wait's every sleep.
class BusNewsWatch {
public:
    BusNewsWatch(int news, std::function<void()> onNews);
    ~BusNewsWatch();
    BusNewsWatch(const BusNewsWatch&) = delete;
    BusNewsWatch& operator=(const BusNewsWatch&) = delete;

    void Arm();
    void Disarm();
    bool Armed() const { return source_ != nullptr; }

private:
    static gboolean OnNews(gint fd, GIOCondition condition, gpointer self);
    static gboolean OnLookAgain(gpointer self);
    void Look();
    void WatchNews();
    void LookLater();

    int news_;
    std::function<void()> onNews_;
    GSource* source_ = nullptr;
    bool lookingLater_ = false;
};
