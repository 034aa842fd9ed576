// The trigger state lamp: a filled circle with a dark outline in the colour it is given.
#pragma once

#include "settings/OptionsTarn.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace scope {

class TStatusLampTarn : public QWidget {
    Q_OBJECT
public:
    explicit TStatusLampTarn(QWidget *parent = nullptr);

    // The fill colour, 0x00BBGGRR. The colour is taken at once; the repaint waits for the next display
    // frame when the lamp was repainted less than a frame ago.
    TColor BrushColor() const { return Brush; }
    void SetBrushColor(TColor color);

    // The shortest time between two repaints.
    static constexpr int FrameMs = 16;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Repaint();

    TColor Brush = 0xFFFFFF;
    QTimer FrameTimer;
    QElapsedTimer SinceRepaint;
};

} // namespace scope
