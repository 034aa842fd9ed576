// The main oscilloscope screen: background, grid, information texts, cursors, traces, zoom marks and
// trigger-level marks, drawn into an off-screen bitmap. Every layer after the background is drawn by
// exclusive-or, so most changes are drawn incrementally: drawing an object a second time removes it.
#pragma once

#include "acquisition/ColumnReduction.h"
#include "controls/GraphicControlTarn.h"
#include "platform/FrameClock.h"
#include "screens/DirtyStrips.h"
#include "screens/ScreenGeometry.h"

#include <QImage>
#include <QRegion>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;
class QTimer;

namespace scope {

class TDataSourceTarn;
class TExportAsImageOption;
class TXorRaster;

// What the mouse is over or drags.
enum TScreenObjectKind : uint8_t { soNone, soVerCursor, soHorCursor, soCrossing, soTrace, soLevelMark };

struct TScreenObject {
    TScreenObjectKind Kind = soNone;
    int32_t Index = 0; // soCrossing: horizontal cursor + 256 x vertical cursor
    bool operator==(const TScreenObject &) const = default;
};

// How an image export draws the screen: its own colours (unless OverrideColors, which keeps the
// screen's) and which layers it shows.
struct TScreenImageLook {
    bool OverrideColors = true;
    std::vector<uint32_t> ChannelColors;
    std::vector<uint32_t> CursorColors;
    uint32_t ScreenColor = 0, GridColor = 0xFFFFFF, InfoColor = 0xFFFFFF;
    bool Grid = true, InfoOn = false, VerCursorsOn = false, HorCursorsOn = false;
};

class TScopeScreenTarn : public TGraphicControlTarn {
    Q_OBJECT
public:
    explicit TScopeScreenTarn(QWidget *parent = nullptr);
    ~TScopeScreenTarn() override;

    TDataSourceTarn *DataSource() const { return Source; }
    void SetDataSource(TDataSourceTarn *source) { Source = source; }

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    // Full redraw of the bitmap (the control is not repainted).
    void RedrawAll();
    void LoadColors();
    // Every trace's pen from its channel colour; drops any hover highlight.
    void RecomputeTraceColors();

    TScreenGeometry Geometry() const;
    int32_t PointToX(int64_t point) const { return Geometry().PointToX(point); }
    int32_t LevelToY(int64_t level) const { return Geometry().LevelToY(level); }
    int32_t XToPoint(int64_t x) const { return Geometry().XToPoint(x); }
    int32_t YToLevel(int64_t y) const { return Geometry().YToLevel(y); }
    int32_t SampleToPoint(int64_t sample) const;
    int32_t PointToSample(int32_t point) const;

    // Prints the screen stretched onto the target; the screen bitmap is drawn again afterwards.
    void RenderForPrinter(QPainter &target, int width, int height);
    // Draws the screen into the caller's image in the export's look; the screen stays as it was.
    void RenderToBitmap(const TScreenImageLook &look, QImage &bitmap);
    // The same for an image-export preset.
    void RenderToBitmap(const TExportAsImageOption &preset, QImage &bitmap);
    static TScreenImageLook LookOf(const TExportAsImageOption &preset);

    // Moves the hover highlight to another object, redrawing only what changes.
    void SetHoverObject(TScreenObject object);
    TScreenObject HoverObject() const { return Hover; }
    void MoveVerCursorDrawn(int32_t cursor, int32_t position);
    void MoveHorCursorDrawn(int32_t cursor, int32_t position);
    void DrawLevelMark(int32_t channel);

    // The object at a pixel of the control; level marks win over the crossing, the crossing over the
    // cursors, cursors over traces.
    TScreenObject HitTest(int X, int Y) const;
    // Cursor drags to a pixel; with track, cursor 1 keeps its distance to cursor 0 and both stay on screen.
    void MoveVerCursor(int32_t cursor, int X, bool track);
    void MoveHorCursor(int32_t cursor, int Y, bool track);
    // The mouse handling in screen pixels, as the widget's events call it (also for tests).
    void MouseDown(int X, int Y);
    void MouseMove(int X, int Y);
    void MouseUp(int X, int Y);
    void MouseLeave();
    TScreenObject DragObject() const { return Drag; }

    // On a frame clock, new data reaches the bitmap at most once per display frame (at most 60 a
    // second): records that arrive faster are composed together, the last one always shown. Without one,
    // every data message is drawn at once.
    void SetFramePacing(TFrameClock *clock);
    bool FramePacing() const { return Frame.Paced(); }
    // Data messages received but not drawn yet; drawn by the next frame.
    bool DataPending() const { return PendingData != 0; }
    // Draws the pending data now (the frame clock does it otherwise).
    void ComposePendingData();
    // What the last repaint request covered: only what was drawn since the one before.
    const QRegion &LastRepaintRegion() const { return LastRepaint; }

    const QImage &Bitmap() const { return Image; }
    uint8_t RenderMode() const { return Mode; }

    struct TTrace {
        TChannelWave Wave;
        uint32_t Pen = 0;
    };
    const std::vector<TTrace> &Traces() const { return TraceList; }
    const std::array<int32_t, 2> &ZoomMarks() const { return Marks; }
    const std::array<std::string, 3> &InformationTexts() const { return InfoTexts; }
    const std::string &CursorInformation() const { return CursorText; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // The colours the layers are drawn with.
    struct TColors {
        std::vector<uint32_t> Channels, Cursors;
        uint32_t Screen = 0, Grid = 0xFFFFFF, Info = 0xFFFFFF;
    };

    uint32_t Base() const { return Mode == 0 ? Colors.Screen : 0xFFFFFFu; }
    // The information and cursor texts: their own colour on the screen; on paper black, as the traces of
    // a black-and-white print, or in colour where that colour can be read on white.
    uint32_t TextColor() const;
    uint32_t ChannelColor(size_t i) const;
    uint32_t CursorColor(size_t i) const;
    void Fill();
    void DrawGrid();
    bool UpdateInfoTexts();
    void DrawInfoTexts();
    bool UpdateCursorText();
    void DrawCursorText();
    void DrawCursors();
    void DrawVerCursor(int32_t i);
    bool DrawVerCursorLine(int32_t i);
    void DrawHorCursor(int32_t i);
    void DrawTraces();
    // Fits the row and column tables to the target and a trace, once for a pass over its segments.
    void FitSegments(const TTrace &trace);
    void DrawSegment(TXorRaster &raster, const TTrace &trace, int32_t j, uint32_t pen);
    void UpdateTrace(const TTrace &oldTrace, uint32_t oldValue, uint32_t newValue, const TTrace &newTrace);
    void DrawZoomMarks();
    void DrawLevelMarks();
    void DrawObject(TScreenObject object);
    void SetTraceHighlight(TScreenObject object, bool on, bool redraw);
    bool TriggerSourceOf(size_t channel) const;
    bool HitTrace(const TTrace &trace, int X, int32_t level) const;
    void DragTo(int X, int Y);
    int32_t TextHeight() const;
    void DrawText(int x, int y, const std::string &text);
    // Asks for a repaint of what was drawn since the last request.
    void Changed();
    // Drawn on the screen bitmap: columns x0..x1, rows y0..y1 (inclusive, either order).
    void Touch(int x0, int y0, int x1, int y1);
    void DrawScreenData(uint32_t mask);

    void SetTarget(QImage &target);

    TDataSourceTarn *Source = nullptr;
    QImage Image;
    QImage *Target = nullptr; // what the layers draw on: the screen bitmap or an export's image
    uint8_t Mode = 0;         // 0 screen, 1 print black and white, 2 print colour
    TScreenObject Hover;
    TScreenObject Drag;
    int32_t AnchorPoint = 0, AnchorLevel = 0;
    int32_t DragIndex = 0; // what the trace-drag messages point at
    std::vector<TTrace> TraceList;
    std::array<int32_t, 2> Marks{-1, -1};
    std::vector<bool> TriggerSources;
    std::array<std::string, 3> InfoTexts;
    std::string CursorText;
    TDirtyStrips Dirty;
    TLevelRows Rows;   // the traces' rows for the bitmap being drawn
    TColumnXs Columns; // and their columns' x
    QRegion LastRepaint;
    TFrameSlot Frame{[this] { ComposePendingData(); }};
    uint32_t PendingData = 0; // channel mask of the data messages not drawn yet
    bool DispInformation = false;
    bool OptimizeForAero = false;
    TColors Colors;
};

} // namespace scope
