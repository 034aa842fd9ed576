// Helpers shared by the user-interface tests.
#pragma once

#include "testkit/ScriptedMessages.h"
#include "testkit/TestSettings.h"

#include <QApplication>
#include <QPointF>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QMenu;
class QString;
class QWidget;

namespace scope {

// The one application object of the test program (offscreen platform).
QApplication &TestApp();

// Serves the application's events until the condition holds; false when the time ran out first.
bool ProcessEventsUntil(const std::function<bool()> &done, int timeoutMs);

// One expiry of the timer, delivered as the event loop would.
void ExpireTimer(QTimer *timer);

// A left-button press and release at a point of a widget (its middle when none is given), as the user's
// click.
void LeftClick(QWidget *w, QPointF at);
void LeftClick(QWidget *w);

// Types the text into a line edit and presses Return, as the user does.
void TypeAndEnter(QLineEdit *edit, const QString &text);

// The captions of a menu's items in order, "|" for a separator.
std::vector<std::string> MenuCaptions(const QMenu &menu);

// A fixture's first member: the application exists before the widgets that follow it are made.
struct TTestAppFirst {
    TTestAppFirst() { TestApp(); }
};

} // namespace scope
