#include "controls/SamplingProgressBarTarn.h"

#include <QPainter>

namespace scope {

namespace {

int32_t Limited(int32_t p) {
    return p < 0 ? 0 : p > 100 ? 100 : p;
}

} // namespace

TSamplingProgressBarTarn::TSamplingProgressBarTarn(QWidget *parent) : QWidget(parent) {
    resize(8, 30);
}

void TSamplingProgressBarTarn::SetProgress(int32_t progress) {
    if (progress == Value)
        return;
    Value = progress;
    repaint();
}

int TSamplingProgressBarTarn::FilledRows(int h, int32_t p) {
    p = Limited(p);
    const int inner = h - 2;
    if (inner <= 0)
        return 0;
    int b = (inner * p + 99) / 100;
    if (b == inner && p < 100)
        --b;
    return b;
}

QColor TSamplingProgressBarTarn::FillColor(int32_t p) {
    p = Limited(p);
    if (p >= 95)
        return QColor(0, 255, 0);
    if (p >= 50)
        return QColor(0xA0, 0xA0, 0);
    return QColor(255, 0, 0);
}

void TSamplingProgressBarTarn::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const int W = width(), H = height();
    const int b = FilledRows(H, Value);
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, W - 1, H - 1);
    if (W < 3 || H < 3)
        return;
    p.fillRect(QRect(QPoint(1, H - b - 1), QPoint(W - 2, H - 2)), FillColor(Value));
    p.fillRect(QRect(QPoint(1, 1), QPoint(W - 2, H - b - 2)), Qt::white);
}

} // namespace scope
