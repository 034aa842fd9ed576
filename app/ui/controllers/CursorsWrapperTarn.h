// The Screen box: cursor, tracking, crossing and grid toggles, clear screen, grid intensity and window
// transparency.
#pragma once

#include "controllers/ControllerBase.h"

class QAbstractButton;
class QScrollBar;

namespace scope {

class TFormTransparency;

class TCursorsWrapperTarn : public TControllerBase {
public:
    struct TControls {
        QAbstractButton *VerButton = nullptr, *HorButton = nullptr, *TrcButton = nullptr, *XButton = nullptr,
                        *GridButton = nullptr, *ClearButton = nullptr;
        QScrollBar *IntensityBar = nullptr, *TransparencyBar = nullptr;
        TFormTransparency *TransparencyControl = nullptr;
    };
    void SetControls(const TControls &controls);

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    void UpdateCursorControls();
    // The message of the toggle that was clicked (2 to 6); every flag is read from its button.
    void ToggleClick(int32_t msg);
    void ClearClick();
    void BarChange(QScrollBar *bar);

private:
    TControls C;
};

} // namespace scope
