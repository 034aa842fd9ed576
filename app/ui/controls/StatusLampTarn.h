// The trigger state lamp: a filled circle with a dark outline in the colour it is given.
#pragma once

#include "platform/FrameClock.h"
#include "settings/OptionsTarn.h"

#include <QWidget>

namespace scope {

class TStatusLampTarn : public QWidget {
    Q_OBJECT
public:
    explicit TStatusLampTarn(QWidget *parent = nullptr);

    // The fill colour, 0x00BBGGRR. The colour is taken at once; with a frame clock the repaint waits
    // for the frame's end when the lamp was repainted in this frame.
    TColor BrushColor() const { return Brush; }
    void SetBrushColor(TColor color);

    void SetFramePacing(TFrameClock *clock) { Frame.SetClock(clock); }
    bool FramePacing() const { return Frame.Paced(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TColor Brush = 0xFFFFFF;
    TFrameSlot Frame{[this] { update(); }};
};

} // namespace scope
