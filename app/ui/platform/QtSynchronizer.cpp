#include "platform/QtSynchronizer.h"

#include <QMetaObject>

namespace scope {

TQtSynchronizer::TQtSynchronizer(QObject *parent) : QObject(parent) {
    Queue.OnQueued = [this] {
        QMetaObject::invokeMethod(
            this, [this] { Queue.ServePending(); }, Qt::QueuedConnection);
    };
}

void TQtSynchronizer::Synchronize(const std::function<void()> &call) {
    Queue.Synchronize(call);
}

void TQtSynchronizer::Post(const std::function<void()> &call, bool wake) {
    Queue.Post(call, wake);
}

void TQtSynchronizer::Wake() {
    Queue.Wake();
}

} // namespace scope
