// The waveform of every channel that can be shown, reduced to what the displays draw: one column per
// screen point and one per pixel of the quick-view strip.
#pragma once

#include "acquisition/ColumnReduction.h"
#include "bus/ComponentsTarn.h"
#include "device/DataTypesTarn.h"

#include <cstdint>
#include <vector>

namespace scope {

class TDataSourceTarn : public TComponentTarn {
public:
    // Handles bmInitialize, bmZoomChanged, bmDisplayWindowChanged, bmChannelToggled,
    // bmModuleChannelAssigned, bmModuleListChanged and bmClearScreen.
    void ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) override;

    // A new record of the physical and module channels (GUI thread). Broadcasts bmRecordLengthChanged
    // when the shown memory size changed, then bmScreenDataReady and bmQuickViewDataReady.
    void SetAcquiredData(const TAcquiredData &data);
    // The traces of a loaded record, written behind the physical and module channels, each moved by its
    // sample offset dx and level offset dy.
    void SetLoadedTraces(const TAcquiredData &traces, const std::vector<int32_t> &dx,
                         const std::vector<int32_t> &dy);

    void ReduceToScreen(int32_t channel);
    void ReduceToQuickView(int32_t channel);
    // Every channel, without a message (the quick view calls it when it is resized).
    void ReduceAllToQuickView();

    TChannelWave &ScreenColumns(int32_t channel) { return Screen[size_t(channel)]; }
    TChannelWave &QuickViewColumns(int32_t channel) { return QuickView[size_t(channel)]; }
    TAcquiredData &Waveforms() { return Waves; }
    int32_t ChannelCount() const { return int32_t(Waves.size()); }

private:
    bool ChannelOn(int32_t channel) const;
    int32_t ModuleChannelEnd() const;
    void Broadcast(int32_t msg, int32_t param);
    // Both reductions of every channel and both messages with every bit set.
    void ReduceAll();
    void Initialize();

    TAcquiredData Waves;
    std::vector<TChannelWave> Screen;
    std::vector<TChannelWave> QuickView;
};

} // namespace scope
