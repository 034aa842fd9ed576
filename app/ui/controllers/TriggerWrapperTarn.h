// The trigger controller: owns every trigger control of the main form (mode, start, lamp, sources and
// slopes of both triggers, counts, pulse lengths, after-trigger, hold-off, simple, hold, level to the
// middle and the compensation generator). It edits the requested settings, keeps them within the device
// limits and keeps typed times across changes of time base and memory size.
#pragma once

#include "controllers/ControllerBase.h"
#include "trigger/TriggerArithmetic.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QAction;
class QGroupBox;

namespace scope {

class TDataSourceTarn;
class TSettingsTarn;
class TGlyphRotateBtnTarn;
class THLEditTarn;
class TLogScrollBarTarn;
class TStatusLampTarn;
class TUpDownSpeedButton;

class TTriggerWrapperTarn : public TControllerBase {
public:
    // Form references; any may stay null.
    TDataSourceTarn *DataSource = nullptr;
    QAbstractButton *TriggerModeBtn = nullptr, *FlagBtn = nullptr, *TriggerHalfBtn = nullptr;
    TStatusLampTarn *TriggerStatusShp = nullptr;
    QAbstractButton *PrimarySrcABtn = nullptr, *PrimarySrcBBtn = nullptr, *PrimarySrcEBtn = nullptr;
    QAbstractButton *SecondarySrcABtn = nullptr, *SecondarySrcBBtn = nullptr, *SecondarySrcEBtn = nullptr;
    TGlyphRotateBtnTarn *PrimaryEdgeABtn = nullptr, *PrimaryEdgeBBtn = nullptr, *PrimaryEdgeEBtn = nullptr;
    TGlyphRotateBtnTarn *SecondaryEdgeABtn = nullptr, *SecondaryEdgeBBtn = nullptr,
                        *SecondaryEdgeEBtn = nullptr;
    THLEditTarn *PrimaryAmountBox = nullptr, *SecondaryAmountBox = nullptr;
    TUpDownSpeedButton *PrimaryAmountUp = nullptr, *PrimaryAmountDown = nullptr;
    TUpDownSpeedButton *SecondaryAmountUp = nullptr, *SecondaryAmountDown = nullptr;
    THLEditTarn *PrimaryLengthBox = nullptr, *SecondaryLengthBox = nullptr;
    TUpDownSpeedButton *PrimaryLengthUp = nullptr, *PrimaryLengthDown = nullptr;
    TUpDownSpeedButton *SecondaryLengthUp = nullptr, *SecondaryLengthDown = nullptr;
    THLEditTarn *AfterTriggerBox = nullptr;
    TLogScrollBarTarn *AfterTriggerBar = nullptr;
    QAbstractButton *AfterTriggerBtn = nullptr, *AfterTriggerValueBtn = nullptr;
    THLEditTarn *HoldOffBox = nullptr;
    TLogScrollBarTarn *HoldOffBar = nullptr;
    QAbstractButton *HoldOffBtn = nullptr;
    QAbstractButton *SimpleBtn = nullptr, *HoldBtn = nullptr;
    QAbstractButton *HoldCommonBtn = nullptr, *HoldABtn = nullptr, *HoldBBtn = nullptr;
    QAction *CompensationGeneratorOnOff = nullptr;

    // Name tables.
    static const char *const TriggerModeNames[4];
    static const char *const ATModeNames[4];
    static const char *const HFModeNames[2];
    static const char *const ATValueModeNames[2];

    // Registers the controls whose signals are blocked while they are filled (call once they are set).
    void AddControls();
    // The menu item exists only after the components; it is handed over when it is made.
    void SetCompensationGeneratorOnOff(QAction *item);

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    void NormalizeTriggerSettings();
    void UpdateTriggerControls();
    void RememberLengthTimes();

    int32_t LampState() const { return Lamp; }
    const TTriggerTimes &Times() const { return Kept; }

    // Control events.
    void NextTriggerMode();
    void FlagClick();
    void SourceClick(int i, int j);
    void EdgeChange(int i, int j);
    void CountBoxEnter(int tag, const QString &text);
    void CountUp(int tag);
    void CountDown(int tag);
    void LengthBoxEnter(int tag, const QString &text);
    void LengthUp(int tag);
    void LengthDown(int tag);
    void NextATMode();
    void SetATValueMode();
    void AfterTriggerBoxEnter(const QString &text);
    void AfterTriggerBarChange();
    void NextHoldOffMode();
    void HoldOffBoxEnter(const QString &text);
    void HoldOffBarChange();
    void SimpleClick();
    void HoldClick();
    void HoldCommonClick();
    void HoldChannelClick();
    void SetLevelToMiddle();
    void ToggleCompensationGenerator();
    // The hold hot key: the hold changes whatever the separate-hold option.
    void HotkeyHold();

private:
    void Wire();
    void FitBoxes();
    void UpdateStatusLamp();
    void RepaintEdges();

    // Everything the controls show is made of; the same inputs show the same controls.
    struct TControlInputs {
        int32_t TriggerMode = 0, TimeBase = 0, MemorySize = 0, AfterTrigger = 0, HoldOff = 0;
        bool StartRequest = false, CompensationGenerator = false;
        std::array<TBoolArray, 2> TriggerSourceOn, TriggerLeading;
        std::array<int32_t, 2> TriggerCount{}, TriggerLength{};
        TBoolArray HoldChannel;
        int32_t ATMode = 0, ATValueMode = 0, HFMode = 0, HoldOffStep = 0;
        bool SimpleTrigger = false, TriggerHold = false, SeparateHold = false;
        double FirstRate = 0, SecondRate = 0;
        bool EquivalentTime = false;
        bool operator==(const TControlInputs &) const = default;
    };
    // Fills in the current inputs; assigning into a kept object keeps its arrays' memory.
    void ReadInputs(TControlInputs &in) const;

    std::array<std::array<QAbstractButton *, 3>, 2> SourceBtns{};
    std::array<std::array<TGlyphRotateBtnTarn *, 3>, 2> EdgeBtns{};
    int32_t Lamp = 2;
    TTriggerTimes Kept;
    // The inputs of the last full update, if it has run.
    std::optional<TControlInputs> Shown;
    TControlInputs Scratch; // the inputs at a state message, compared with those shown
};

// Every text a box of the panel can show within the device limits, over every time base and memory
// size: each length and prefix of the times and counts the limits allow; the after-trigger box in both
// units. The panel sizes its boxes by them.
enum class TTriggerBox { AfterTrigger, HoldOff, Length, Count };
std::vector<std::string> TriggerBoxTexts(const TSettingsTarn &settings, TTriggerBox box);

// Makes the controls of the "Trigger mode" and "Trigger" group boxes and hands them to the controller.
void MakeTriggerControls(QGroupBox *modeBox, QGroupBox *triggerBox, TTriggerWrapperTarn &trigger);

} // namespace scope
