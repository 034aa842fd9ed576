// The zoom and display controller: owns the horizontal view of the main screen (display mode, zoom window
// and magnification, first sample shown, memory size of the next acquisitions, and the quick view of long
// records), drives the Zoom box from the settings and announces every change on the bus.
#pragma once

#include "controllers/ControllerBase.h"

#include <cstdint>
#include <string>

class QAbstractButton;
class QLabel;
class QScrollBar;
class QWidget;

namespace scope {

class TQVScreenTarn;

class TZoomWrapperTarn : public TControllerBase {
public:
    // Form references; any may stay null.
    QAbstractButton *MinButton = nullptr, *MaxButton = nullptr, *AvgButton = nullptr;
    QAbstractButton *ZoomButton = nullptr, *ZoomUpBtn = nullptr, *ZoomDownBtn = nullptr;
    QScrollBar *DisplayStartBar = nullptr, *MemSizeBar = nullptr;
    QLabel *MemSizeLabel = nullptr, *DspAmountLabel = nullptr;
    TQVScreenTarn *QVScreen = nullptr;

    // Registers the controls whose signals are blocked while they are filled (call once they are set).
    void AddControls();

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    // Brings the view back within the record; true when ZoomRatio or DisplayStart changed.
    bool ClampView();
    double SamplesPerPoint() const;
    // DisplayRatio := SamplesPerPoint; true when it changed.
    bool UpdateDisplayRatio();
    void UpdateZoomControls();
    std::string ZoomLabel() const;
    // While the zoom is off, the samples the display-start bar's full travel spans.
    int32_t ScrollRange() const { return Range; }

    // Control events.
    void ModeButtonClick(QAbstractButton *sender);
    void ZoomUpClick();
    void ZoomDownClick();
    void ZoomButtonClick();
    void DisplayStartBarChange();
    void MemSizeBarChange();
    void SliceMove(int32_t value);
    void ScreenMove(int32_t value);

private:
    void Wire();

    int32_t Range = 0;
    bool UpdatingBar = false;
};

// Makes the Zoom box's controls in the group box and hands them to the controller; the display-start bar
// is the form's own.
void MakeZoomControls(QWidget *groupBox, QScrollBar *displayStartBar, TZoomWrapperTarn &zoom);

} // namespace scope
