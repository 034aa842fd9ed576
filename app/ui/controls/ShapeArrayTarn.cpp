#include "controls/ShapeArrayTarn.h"

#include "platform/QtColors.h"
#include "screens/ScreenColors.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace scope {

namespace {
constexpr TColor White = 0xFFFFFF;
constexpr int32_t NewRowHeight = 17;
constexpr int32_t NewRowCount = 2;

} // namespace

TShapeArrayTarn::TShapeArrayTarn(QWidget *parent) : QWidget(parent) {
    resize(width(), NewRowHeight);
    SetShapeCount(NewRowCount);
}

void TShapeArrayTarn::SetShapeCount(int32_t count) {
    Colors.assign(size_t(std::max(0, count)), White);
    FitWidth();
    update();
}

void TShapeArrayTarn::SetRowHeight(int32_t h) {
    resize(width(), std::max(2, h));
    FitWidth();
}

void TShapeArrayTarn::FitWidth() {
    const int32_t n = ShapeCount();
    setFixedSize((height() - 1) * n + 1, height());
}

void TShapeArrayTarn::SetColor(int32_t index, TColor color) {
    if (index < 0 || index >= ShapeCount())
        return;
    Colors[size_t(index)] = color;
    if (Mirror != -1 && index + Mirror >= 0 && index + Mirror < ShapeCount())
        Colors[size_t(index + Mirror)] = LightenColor(color, 128);
    update();
}

TColor TShapeArrayTarn::GetColor(int32_t index) const {
    return index >= 0 && index < ShapeCount() ? Colors[size_t(index)] : White;
}

int32_t TShapeArrayTarn::IndexAt(int32_t x) const {
    const int32_t step = height() - 1;
    if (step <= 0 || x < 0 || ShapeCount() == 0)
        return -1;
    const int32_t i = x / step;
    if (i < ShapeCount())
        return i;
    return x == step * ShapeCount() ? ShapeCount() - 1 : -1;
}

void TShapeArrayTarn::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const int32_t step = height() - 1;
    p.setPen(Qt::black);
    for (int32_t i = 0; i < ShapeCount(); ++i) {
        // Neighbours share their border line; a later swatch draws over the earlier one's.
        p.setBrush(ToQColor(Colors[size_t(i)]));
        p.drawRect(i * step, 0, step, height() - 1);
    }
}

void TShapeArrayTarn::mousePressEvent(QMouseEvent *event) {
    const int32_t i = IndexAt(int32_t(event->position().x()));
    if (i >= 0 && OnShapeClick)
        OnShapeClick(*this, i);
}

} // namespace scope
