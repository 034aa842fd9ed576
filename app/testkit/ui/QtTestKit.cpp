#include "testkit/ui/QtTestKit.h"

#include <QElapsedTimer>

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

} // namespace scope
