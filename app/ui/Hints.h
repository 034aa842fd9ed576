// The hint texts of the main form's controls, kept in one table by object name. A control gets its hint
// when it is made; whether hints show at all is decided elsewhere (option 12).
#pragma once

#include <QString>
#include <QWidget>
#include <utility>

namespace scope {

// The hint of the control of that object name; empty when the table has none.
QString HintFor(const QString &objectName);

// Gives a control its object name and the table's hint for it.
void NameControl(QWidget *control, const char *objectName);

// Makes a control of the main form: parent, object name and hint in one step.
template <typename W, typename... A> W *MakeControl(QWidget *parent, const char *objectName, A &&...args) {
    auto *w = new W(std::forward<A>(args)..., parent);
    NameControl(w, objectName);
    return w;
}

} // namespace scope
