#include "controls/ColorShape.h"

#include "platform/QtColors.h"

#include <QMouseEvent>
#include <QPainter>

namespace scope {

TColorShape::TColorShape(QWidget *parent) : QWidget(parent) {
    resize(33, 17);
}

void TColorShape::SetFillColor(TColor value) {
    Fill = value;
    update();
}

void TColorShape::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(ToQColor(Fill));
    p.drawRect(0, 0, width() - 1, height() - 1);
}

void TColorShape::mousePressEvent(QMouseEvent *event) {
    event->accept();
    if (OnMouseDown)
        OnMouseDown(*this);
}

} // namespace scope
