// The quick-view strip above the main screen: the whole of a long record, one column per pixel, with the
// slice the main screen works on shown inverted, the zoom window as a yellow band and the trigger as a red
// triangle. Dragging the slice or the band moves them through the zoom controller's handlers.
#pragma once

#include "controls/GraphicControlTarn.h"
#include "platform/FrameClock.h"

#include <QImage>
#include <cstdint>
#include <functional>

class QPainter;

namespace scope {

class TDataSourceTarn;

class TQVScreenTarn : public TGraphicControlTarn {
    Q_OBJECT
public:
    explicit TQVScreenTarn(QWidget *parent = nullptr);

    TDataSourceTarn *DataSource() const { return Source; }
    void SetDataSource(TDataSourceTarn *source) { Source = source; }

    // The new first sample of the slice (in the record) and of the zoom window (in the slice).
    std::function<void(int32_t)> OnSliceMove, OnScreenMove;
    // Fired when the strip is shown or hidden, so that the form lays out again.
    std::function<void()> OnVisibilityOnOff;

    bool Visible() const { return Shown; }
    void SetVisible(bool value);

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    // Mapping between record samples, pixels and levels; 64-bit, so long records cannot overflow.
    int32_t QuickViewX(int64_t sample) const;
    int32_t QuickViewSample(int64_t x) const;
    int32_t QuickViewLevelY(int64_t level) const;

    void RedrawQuickView();
    // On a frame clock, records that come faster than the display refreshes are drawn once a frame, the
    // latest of them; without one (the default), every record is drawn as it comes.
    void SetFramePacing(TFrameClock *clock) { Frame.SetClock(clock); }
    bool FramePacing() const { return Frame.Paced(); }
    // Takes over a new size (recomputing the columns) and repaints; nothing while hidden or unwired.
    void Paint();
    void RenderForPrinter(QPainter &target, int width, int height);

    void MouseDown(int X);
    void MouseMove(int X);
    void MouseUp();
    int32_t DragState() const { return State; }

    const QImage &Bitmap() const { return Image; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool Ready() const;
    int64_t Samples() const;
    void NewData();
    void DrawNewData();

    TDataSourceTarn *Source = nullptr;
    QImage Image;
    int32_t W = 500, H = 60;
    int32_t State = 0; // 0 none, 1 slice, 2 zoom band
    int32_t Offset = 0;
    uint8_t Mode = 0; // 0 screen, 1 print black and white, 2 print colour
    bool Shown = false;
    TFrameSlot Frame{[this] { DrawNewData(); }};
};

} // namespace scope
