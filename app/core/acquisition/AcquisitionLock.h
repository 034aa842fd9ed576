// Holds the acquisition thread's lock for a scope, for GUI-thread code that calls the device outside a
// synchronised call; nothing without a thread.
#pragma once

#include "acquisition/AcquisitionThread.h"

namespace scope {

class TAcquisitionLock {
public:
    explicit TAcquisitionLock(TAcquisitionThread *thread) : Thread(thread) {
        if (Thread)
            Thread->Lock();
    }
    ~TAcquisitionLock() {
        if (Thread)
            Thread->Unlock();
    }
    TAcquisitionLock(const TAcquisitionLock &) = delete;
    TAcquisitionLock &operator=(const TAcquisitionLock &) = delete;

private:
    TAcquisitionThread *Thread;
};

} // namespace scope
