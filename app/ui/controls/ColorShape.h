// A single colour swatch with a black outline; a mouse press asks for another colour.
#pragma once

#include "settings/OptionsTarn.h"

#include <QWidget>
#include <functional>

namespace scope {

class TColorShape : public QWidget, public IColorShapeControl {
    Q_OBJECT
public:
    explicit TColorShape(QWidget *parent = nullptr);

    TColor FillColor() const override { return Fill; }
    void SetFillColor(TColor value) override;

    std::function<void(TColorShape &)> OnMouseDown;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    TColor Fill = 0xFFFFFF;
};

} // namespace scope
