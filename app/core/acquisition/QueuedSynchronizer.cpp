#include "acquisition/QueuedSynchronizer.h"

namespace scope {

TQueuedSynchronizer::TQueuedSynchronizer() : ServingThread(std::this_thread::get_id()) {}

void TQueuedSynchronizer::Synchronize(const std::function<void()> &call) {
    if (std::this_thread::get_id() == ServingThread) {
        call();
        return;
    }
    auto job = std::make_shared<TJob>();
    job->Call = call;
    Enqueue(job, true);
    std::unique_lock<std::mutex> lock(Mutex);
    DoneSignal.wait(lock, [&] { return job->Done; });
    if (job->Error)
        std::rethrow_exception(job->Error);
}

void TQueuedSynchronizer::Post(const std::function<void()> &call, bool wake) {
    if (std::this_thread::get_id() == ServingThread) {
        try {
            call();
        } catch (...) {
        }
        return;
    }
    auto job = std::make_shared<TJob>();
    job->Call = call;
    job->Posted = true;
    Enqueue(job, wake);
}

void TQueuedSynchronizer::Enqueue(const std::shared_ptr<TJob> &job, bool wake) {
    {
        std::lock_guard<std::mutex> guard(Mutex);
        Queue.push_back(job);
        // One wake-up serves the whole queue: calls queued behind one on its way need none.
        wake = wake && !WakeSent;
        if (wake)
            WakeSent = true;
    }
    if (wake && OnQueued)
        OnQueued();
}

void TQueuedSynchronizer::Wake() {
    {
        std::lock_guard<std::mutex> guard(Mutex);
        if (Queue.empty() || WakeSent)
            return;
        WakeSent = true;
    }
    if (OnQueued)
        OnQueued();
}

int TQueuedSynchronizer::ServePending() {
    int served = 0;
    for (;;) {
        std::shared_ptr<TJob> job;
        {
            std::lock_guard<std::mutex> guard(Mutex);
            if (Queue.empty()) {
                WakeSent = false;
                return served;
            }
            job = Queue.front();
            Queue.pop_front();
        }
        try {
            job->Call();
        } catch (...) {
            if (!job->Posted)
                job->Error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> guard(Mutex);
            job->Done = true;
            // From here the waiting worker owns the job, so what the call left (an exception) is freed in
            // its thread, after it has read it, and never races with that read.
            job.reset();
        }
        DoneSignal.notify_all();
        ++served;
    }
}

bool TQueuedSynchronizer::HasPending() {
    std::lock_guard<std::mutex> guard(Mutex);
    return !Queue.empty();
}

} // namespace scope
