// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "gstcommon/GstHandles.h"

#include <memory>
#include <thread>

// Takes an element (a filter, or a whole pipeline) to NULL on a thread of its own. Stopping an element
// joins its streaming threads, and a streaming thread caught in a read that never returns (a dead
// network share, a disk that hangs) would take the user-interface thread down with it. The caller
// waits on Ended() only as long as it likes; a stop that has not ended by then is left to its thread,
// which from then on owns the pipeline and lets go of it whenever the read comes back: a read stuck
// for good costs one thread, not the window.
class ElementStop {
public:
    explicit ElementStop(GstElement* element);
    // Waits for a stop that was not let go.
    ~ElementStop();
    ElementStop(const ElementStop&) = delete;
    ElementStop& operator=(const ElementStop&) = delete;

    // Readable once the stop has ended.
    int Ended() const;
    bool Done() const;
    // Leaves the stop to its thread. Once the element is down, the thread takes the pipeline it
    // belonged to (which may be the element itself) to NULL and drops it and `keep`: whatever the
    // pipeline's threads may still call into lives until then.
    void LetGo(ElementRef pipeline, std::shared_ptr<void> keep);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
