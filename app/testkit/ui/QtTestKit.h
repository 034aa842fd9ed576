// Helpers shared by the user-interface tests.
#pragma once

#include "testkit/ScriptedMessages.h"
#include "testkit/TestSettings.h"

#include <QApplication>

namespace scope {

// The one application object of the test program (offscreen platform).
QApplication &TestApp();

// A fixture's first member: the application exists before the widgets that follow it are made.
struct TTestAppFirst {
    TTestAppFirst() { TestApp(); }
};

} // namespace scope
