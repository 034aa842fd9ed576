#include "testkit/ui/QtTestKit.h"

#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QWidget>

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

void ExpireTimer(QTimer *timer) {
    QTimerEvent e(timer->timerId());
    QCoreApplication::sendEvent(timer, &e);
}

void LeftClick(QWidget *w, QPointF at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

void LeftClick(QWidget *w) {
    LeftClick(w, QPointF(w->width() / 2, w->height() / 2));
}

void TypeAndEnter(QLineEdit *edit, const QString &text) {
    edit->setText(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &press);
}

std::vector<std::string> MenuCaptions(const QMenu &menu) {
    std::vector<std::string> captions;
    for (const QAction *a : menu.actions())
        captions.push_back(a->isSeparator() ? "|" : a->text().toStdString());
    return captions;
}

} // namespace scope
