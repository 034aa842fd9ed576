// The thin strip under the main screen that marks where the trigger lies: red for the requested settings,
// magenta for the data on screen when that differs. Marks off the screen become arrows at the edges. Where
// the options allow it, the red mark drags to a new after-trigger count (announced on the bus only).
#pragma once

#include "controls/GraphicControlTarn.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <utility>

namespace scope {

class TTriggerPositionScreenTarn : public TGraphicControlTarn {
    Q_OBJECT
public:
    explicit TTriggerPositionScreenTarn(QWidget *parent = nullptr);

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    // Record sample to strip pixel through the main screen's points, and back; 64-bit throughout.
    int32_t TriggerStripX(int64_t sample) const;
    int32_t TriggerStripSample(int64_t x) const;

    void RedrawMarks();
    // Takes over a new size and repaints.
    void Paint();
    bool CanDragMark(int X, int Y) const;

    void MouseDown(int X, int Y);
    void MouseMove(int X, int Y);
    void MouseUp(int X, int Y);
    void MouseLeave();

    const QImage &Bitmap() const { return Image; }
    bool Hovered() const { return Hover; }
    // Pixel positions of the requested and the shown trigger as last drawn.
    int32_t RequestedX() const { return XRequested; }
    int32_t ShownX() const { return XShown; }
    // Left, top, right, bottom of the red mark, bounds included.
    const QRect &MarkRect() const { return Mark; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // Strip pixels of the requested and the shown trigger.
    std::pair<int32_t, int32_t> Positions();
    void DrawTriggerMark(int32_t x, uint32_t color);
    void Pixel(int x, int y, uint32_t bits);

    QImage Image;
    int32_t XRequested = 0, XShown = 0;
    int32_t LeftOffset = 1, RightOffset = -2;
    bool Hover = false, Dragging = false;
    QRect Mark;
};

} // namespace scope
