#include "testkit/ui/QtTestKit.h"

#include <QElapsedTimer>
#include <QTimerEvent>

namespace scope {

QApplication &TestApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char *argv[] = {name, nullptr};
    if (!qApp)
        new QApplication(argc, argv);
    return *static_cast<QApplication *>(QCoreApplication::instance());
}

bool ProcessEventsUntil(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void ExpireTimer(QTimer *timer) {
    QTimerEvent e(timer->timerId());
    QCoreApplication::sendEvent(timer, &e);
}

} // namespace scope
