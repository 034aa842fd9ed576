#include "controls/UpDownSpeedButton.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace scope {

TUpDownSpeedButton::TUpDownSpeedButton(QWidget *parent) : QToolButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
}

TUpDownSpeedButton::~TUpDownSpeedButton() {
    StopRepeat();
}

void TUpDownSpeedButton::mousePressEvent(QMouseEvent *event) {
    // A press of a second mouse button restarts the repeat; one timer at most.
    StopRepeat();
    Timer = new QTimer(this);
    Timer->setInterval(FirstDelayMs);
    connect(Timer, &QTimer::timeout, this, &TUpDownSpeedButton::Tick);
    Timer->start();
    // The handler may free or hide the button.
    const QPointer<TUpDownSpeedButton> self(this);
    emit OnUpDown();
    if (self)
        QToolButton::mousePressEvent(event);
}

void TUpDownSpeedButton::mouseReleaseEvent(QMouseEvent *event) {
    StopRepeat();
    QToolButton::mouseReleaseEvent(event);
}

void TUpDownSpeedButton::hideEvent(QHideEvent *event) {
    StopRepeat();
    QToolButton::hideEvent(event);
}

void TUpDownSpeedButton::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        StopRepeat();
    QToolButton::changeEvent(event);
}

void TUpDownSpeedButton::Tick() {
    if (Timer && Timer->interval() != RepeatMs)
        Timer->setInterval(RepeatMs);
    emit OnUpDown();
}

void TUpDownSpeedButton::StopRepeat() {
    delete Timer;
    Timer = nullptr;
}

} // namespace scope
