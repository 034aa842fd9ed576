// The readouts of channels A and B: coupling and probe, volts per division, the voltages at and
// between the horizontal cursors, the trigger level, the trace at the vertical cursor and the
// amplitude over the cursor span in dB. It only reads; it changes no setting and sends nothing.
#pragma once

#include "controllers/ControllerBase.h"
#include "platform/FrameClock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QWidget;

namespace scope {

class TDataSourceTarn;
struct TCapabilities;

class TParamWrapperTarn : public TControllerBase {
public:
    enum TKind : int32_t { rkInput, rkRange, rkRedCursor, rkCursors, rkTrigger, rkVoltage, rkAttenuation };
    static constexpr int32_t LabelKinds = 7;

    TParamWrapperTarn();

    // The seven labels (in TKind order) and the colour swatch of one channel (0 A, 1 B).
    void SetChannelControls(int32_t channel, const std::array<QLabel *, LabelKinds> &labels, QWidget *swatch);
    void SetDataSource(TDataSourceTarn *source) { DataSource = source; }

    QLabel *Label(int32_t kind, int32_t channel) const { return Labels[size_t(channel)][size_t(kind)]; }
    QWidget *Swatch(int32_t channel) const { return Shapes[size_t(channel)]; }

    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;
    void UpdateReadouts();

    // On a frame clock, records that come faster than the display refreshes update the readouts once a
    // frame, with the latest record; every other message updates them at once. Without one (the
    // default), every record does.
    void SetFramePacing(TFrameClock *clock) { Frame.SetClock(clock); }
    bool FramePacing() const { return Frame.Paced(); }

    // Called at bus message 1, once the capabilities are known: the readouts' texts may have changed.
    std::function<void()> OnCapabilitiesKnown;

private:
    void UpdateChannel(int32_t c);
    void NewScreenData();

    TFrameSlot Frame{[this] { UpdateReadouts(); }};

    std::array<std::array<QLabel *, LabelKinds>, 2> Labels{};
    std::array<QWidget *, 2> Shapes{};
    TDataSourceTarn *DataSource = nullptr;
};

// Every text a readout label of the kind can show with these capabilities: each range and probe, both
// signs, every length and prefix of the voltages and dB values the levels can give, "N/A". The layout
// sizes the labels by them.
std::vector<std::string> ReadoutTexts(const TCapabilities &capabilities, int32_t kind);

} // namespace scope
