// The trigger state lamp: a filled circle with a dark outline in the colour it is given.
#pragma once

#include "settings/OptionsTarn.h"

#include <QWidget>

namespace scope {

class TStatusLampTarn : public QWidget {
    Q_OBJECT
public:
    explicit TStatusLampTarn(QWidget *parent = nullptr);

    // The fill colour, 0x00BBGGRR.
    TColor BrushColor() const { return Brush; }
    void SetBrushColor(TColor color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TColor Brush = 0xFFFFFF;
};

} // namespace scope
