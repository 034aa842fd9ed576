#include "dialogs/WaitScreen.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QThread>
#include <QWindow>

namespace scope {

TWaitForm::TWaitForm(QWidget *owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("WaitForm");
    setFixedSize(209, 32);
    Label1 = new QLabel(this);
    Label1->setGeometry(0, 0, 209, 32);
    Label1->setAlignment(Qt::AlignCenter);
    QFont font = Label1->font();
    font.setBold(true);
    font.setPixelSize(13);
    Label1->setFont(font);
    LoadCaptions();
    if (owner) {
        const QRect o = owner->frameGeometry();
        move(o.center() - QPoint(width() / 2, height() / 2));
    }
}

void TWaitForm::ShowDrawn() {
    show();
    // A paint reaches the window only once the window system has mapped and exposed it; until then no
    // input and no timer is let through.
    const QDeadlineTimer deadline(1000);
    QEventLoop events;
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        if (!events.processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers))
            QThread::msleep(1);
    repaint();
    // What was painted goes to the display server now, not at the next turn of the event loop.
    QGuiApplication::sync();
}

void TWaitForm::LoadCaptions() {
    Label1->setText("Please wait ...");
}

} // namespace scope
