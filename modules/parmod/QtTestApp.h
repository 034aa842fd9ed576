// The one application object that widget tests need. It is never destroyed: at process exit Qt's own
// statics may already be gone.
#pragma once

#include <QApplication>

namespace parmod {

inline QApplication &TestApp() {
    static int argc = 1;
    static char name[] = "parmod_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

} // namespace parmod
