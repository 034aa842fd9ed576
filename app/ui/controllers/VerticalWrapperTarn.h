// The input controls of the two physical channels: range, shift, averaging filter and its factor, ground,
// coupling and probe. They edit the requested settings, which are kept within the device's limits; the
// acquisition thread takes the changes to the device. Also serves the range and shift hot keys and turns a
// vertical drag of a live trace into a pending move of its 0 V line.
#pragma once

#include "controllers/ControllerBase.h"

#include <array>
#include <cstdint>
#include <string>

class QLabel;
class QWidget;

namespace scope {

class TChannelButtonTarn;
class TGlyphRotateBtnTarn;
class TRangeBarTarn;
class TUpDownSpeedButton;

class TVerticalWrapperTarn : public TControllerBase {
public:
    // The controls of one channel (0 = A, 1 = B); any may stay null.
    struct TChannelControls {
        TChannelButtonTarn *RangeUp = nullptr, *RangeDown = nullptr;
        QLabel *RangeLabel = nullptr;
        TRangeBarTarn *ShiftBar = nullptr;
        TGlyphRotateBtnTarn *FilterBtn = nullptr;
        TUpDownSpeedButton *FilterUp = nullptr, *FilterDown = nullptr;
        QLabel *FilterLabel = nullptr;
        TChannelButtonTarn *GroundBtn = nullptr;
        TGlyphRotateBtnTarn *ACDCBtn = nullptr;
        TChannelButtonTarn *ProbeBtn = nullptr;
    };
    static constexpr int32_t ChannelsDriven = 2;
    std::array<TChannelControls, ChannelsDriven> Channel;

    // The shift step of the shift hot keys.
    static constexpr int32_t ShiftHotkeyStep = 128;
    static constexpr int32_t MinFilterFactor = 2, MaxFilterFactor = 64;
    // The caption of a probe setting; "1:1" for one outside the four.
    static std::string ProbeName(int32_t probe);

    // Registers the controls whose signals are blocked while they are filled (call once they are set).
    void AddControls();

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    void ClampChannelSettings();
    void UpdateVerticalControls();

    // Control events of channel c.
    void RangeButtonClick(int32_t c, int32_t step);
    void ShiftBarChange(int32_t c);
    void FilterButtonChange(int32_t c);
    void FilterFactorStep(int32_t c, bool up);
    void GroundButtonClick(int32_t c);
    void CouplingButtonChange(int32_t c);
    void ProbeButtonClick(int32_t c);

private:
    void Wire();
    void ShiftHotkey(int32_t c, int32_t step);
};

// Makes the controls of the Vertical, Input and Position boxes and hands them to the controller; the
// controls take their channel colours from the settings.
void MakeVerticalControls(QWidget *verticalBox, QWidget *inputBox, QWidget *positionBox,
                          TSettingsTarn *settings, TVerticalWrapperTarn &vertical);

} // namespace scope
