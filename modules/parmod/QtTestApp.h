// The one application object that widget tests need.
#pragma once

#include <QApplication>

inline QApplication &TestApp() {
    static int argc = 1;
    static char name[] = "parmod_tests";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
