// The program's synchronised call: the routine is queued into the GUI thread's event loop and the
// calling thread blocks until it has run there (or, posted, goes on at once).
#pragma once

#include "acquisition/QueuedSynchronizer.h"

#include <QObject>

namespace scope {

class TQtSynchronizer : public QObject, public platform::ISynchronizer {
    Q_OBJECT
public:
    // Create it in the GUI thread.
    explicit TQtSynchronizer(QObject *parent = nullptr);
    void Synchronize(const std::function<void()> &call) override;
    void Post(const std::function<void()> &call, bool wake = true) override;
    void Wake() override;
    // Runs what is queued now; the GUI thread calls it while it waits for a worker to end.
    int ServePending() { return Queue.ServePending(); }

private:
    TQueuedSynchronizer Queue;
};

} // namespace scope
