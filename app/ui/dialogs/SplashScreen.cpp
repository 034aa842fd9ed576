#include "dialogs/SplashScreen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <cmath>

namespace scope {

namespace {

// The splash picture: a trace on a screen grid under the program's name.
QPixmap SplashPicture() {
    QPixmap picture(390, 250);
    picture.fill(QColor(16, 24, 32));
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect screen(20, 20, 350, 160);
    p.fillRect(screen, Qt::black);
    p.setPen(QPen(QColor(90, 90, 90), 1, Qt::DotLine));
    for (int k = 1; k < 10; ++k)
        p.drawLine(screen.left() + k * 35, screen.top(), screen.left() + k * 35, screen.bottom());
    for (int k = 1; k < 8; ++k)
        p.drawLine(screen.left(), screen.top() + k * 20, screen.right(), screen.top() + k * 20);
    QPainterPath trace;
    for (int x = 0; x <= screen.width(); ++x) {
        const double y = screen.center().y() - 55 * std::sin(x * 2 * M_PI / 116.0);
        if (x == 0)
            trace.moveTo(screen.left() + x, y);
        else
            trace.lineTo(screen.left() + x, y);
    }
    p.setPen(QPen(QColor(0, 255, 0), 2));
    p.drawPath(trace);
    QFont title = p.font();
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(220, 230, 240));
    p.drawText(QRect(0, 188, 390, 40), Qt::AlignCenter, "scope");
    QFont sub = p.font();
    sub.setPixelSize(12);
    sub.setBold(false);
    p.setFont(sub);
    p.setPen(QColor(150, 170, 190));
    p.drawText(QRect(0, 226, 390, 20), Qt::AlignCenter, "Pellan, Tarnel and Vaskel oscilloscopes");
    return picture;
}

} // namespace

TSplashForm::TSplashForm() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("SplashForm");
    setFixedSize(390, 268);
    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 390, 250);
    Image1->setPixmap(SplashPicture());
    Label1 = new QLabel(this);
    Label1->setGeometry(0, 250, 390, 18);
    Label1->setAlignment(Qt::AlignCenter);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}

void TSplashForm::SetStatus(const std::string &text) {
    Label1->setText(QString::fromStdString(text));
    Label1->repaint();
    QApplication::processEvents();
}

void TSplashForm::closeEvent(QCloseEvent *event) {
    event->ignore();
}

} // namespace scope
