// A synchronised call that queues the routine for the GUI thread and blocks the caller until the GUI
// thread has run it; a posted routine takes its place in the same queue without blocking. The GUI thread
// serves the queue from its event loop (the program posts a wake-up) and also while it waits for a worker to
// end, so that shutting down never deadlocks.
#pragma once

#include "platform/Platform.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace scope {

class TQueuedSynchronizer : public platform::ISynchronizer {
public:
    // The constructing thread is the serving (GUI) thread.
    TQueuedSynchronizer();

    // From the serving thread the call runs at once. An exception of the call is raised again in the
    // caller's thread.
    void Synchronize(const std::function<void()> &call) override;
    // Queued in the same order as the waited-for calls; the caller goes on at once.
    void Post(const std::function<void()> &call, bool wake = true) override;
    // Wakes the serving thread for what is queued, unless a wake-up is on its way already.
    void Wake() override;
    // Runs every queued call in the serving thread; the number run.
    int ServePending();
    bool HasPending();
    // Told, in the calling thread, that a call was queued; the program posts a wake-up to the GUI thread.
    std::function<void()> OnQueued;

private:
    struct TJob {
        std::function<void()> Call;
        std::exception_ptr Error;
        bool Done = false;
        bool Posted = false; // nobody waits for it
    };
    void Enqueue(const std::shared_ptr<TJob> &job, bool wake);

    std::thread::id ServingThread;
    std::mutex Mutex;
    std::condition_variable DoneSignal;
    std::deque<std::shared_ptr<TJob>> Queue;
    bool WakeSent = false; // since the queue was last served empty
};

} // namespace scope
