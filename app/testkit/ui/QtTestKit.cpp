#include "testkit/ui/QtTestKit.h"

namespace scope {

QApplication &TestApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char *argv[] = {name, nullptr};
    if (!qApp)
        new QApplication(argc, argv);
    return *static_cast<QApplication *>(QCoreApplication::instance());
}

} // namespace scope
