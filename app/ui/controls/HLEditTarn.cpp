#include "controls/HLEditTarn.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>

namespace scope {

THLEditTarn::THLEditTarn(QWidget *parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignCenter);
    connect(this, &QLineEdit::textChanged, this, &THLEditTarn::UpdateColor);
}

void THLEditTarn::SetText(const QString &s) {
    if (s == Committed && !Force)
        return;
    Committed = s;
    // setText does not announce an unchanged text, so the colour is set here too.
    setText(s);
    UpdateColor();
    Force = false;
}

void THLEditTarn::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit OnUserEnter(text());
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void THLEditTarn::UpdateColor() {
    QPalette p = palette();
    p.setColor(QPalette::Base, Edited() ? EditedColor() : QApplication::palette(this).color(QPalette::Base));
    setPalette(p);
}

} // namespace scope
