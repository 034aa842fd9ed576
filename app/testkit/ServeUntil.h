// Waiting in a test's thread that stands in for the GUI thread: the queued calls run while it waits.
#pragma once

#include "acquisition/QueuedSynchronizer.h"

#include <chrono>
#include <functional>
#include <thread>

namespace scope {

// Runs the calls queued on the synchronizer, as the GUI thread's event loop would, until the condition
// holds; false when the time ran out first.
inline bool ServeUntil(TQueuedSynchronizer &gui, const std::function<bool()> &done, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        if (gui.ServePending() == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

} // namespace scope
