#include "acquisition/DataSourceTarn.h"

#include "bus/ObjMasterTarn.h"
#include "settings/SettingsTarn.h"

#include <algorithm>

namespace scope {

namespace {

int32_t Bit(int32_t channel) {
    return channel >= 0 && channel < 32 ? int32_t(uint32_t(1) << channel) : 0;
}

void MakeEmpty(TWaveform &w) {
    w.First = 1;
    w.Last = 0;
}

} // namespace

void TDataSourceTarn::ObjMasterMessage(int32_t Msg, int32_t, void *) {
    switch (Msg) {
    case bmInitialize:
        Initialize();
        break;
    case bmZoomChanged:
    case bmDisplayWindowChanged: {
        int32_t mask = 0;
        for (int32_t c = 0; c < ChannelCount(); ++c)
            if (ChannelOn(c)) {
                ReduceToScreen(c);
                mask |= Bit(c);
            }
        Broadcast(bmScreenDataReady, mask);
        break;
    }
    case bmChannelToggled:
    case bmModuleChannelAssigned:
    case bmModuleListChanged:
        ReduceAll();
        break;
    case bmClearScreen: {
        const int32_t end = std::min(ModuleChannelEnd(), ChannelCount());
        for (int32_t c = 0; c < end; ++c)
            Waves[size_t(c)].MakeEmpty();
        ReduceAll();
        break;
    }
    default:
        break;
    }
}

void TDataSourceTarn::Initialize() {
    const TSettingsTarn &s = *Settings();
    const int32_t count = std::max(s.ChannelCount, 0);
    Screen.assign(size_t(count), TChannelWave{});
    QuickView.assign(size_t(count), TChannelWave{});
    for (TChannelWave &w : Screen)
        w.Columns.resize(size_t(std::max(s.PointsOnScreen, 0)));
    Waves.assign(size_t(count), TWaveform{});
    for (TWaveform &w : Waves)
        MakeEmpty(w);
}

bool TDataSourceTarn::ChannelOn(int32_t channel) const {
    const TSettingsTarn &s = *Settings();
    return channel >= 0 && size_t(channel) < s.ChannelsOn.size() && s.ChannelsOn[size_t(channel)] != 0;
}

int32_t TDataSourceTarn::ModuleChannelEnd() const {
    return Settings()->PhysicalChannelCount + Settings()->VirtualChannelCount;
}

void TDataSourceTarn::Broadcast(int32_t msg, int32_t param) {
    if (ObjMaster())
        ObjMaster()->Broadcast(msg, param, nullptr);
}

void TDataSourceTarn::ReduceAll() {
    int32_t mask = 0;
    for (int32_t c = 0; c < ChannelCount(); ++c) {
        ReduceToScreen(c);
        ReduceToQuickView(c);
        mask |= Bit(c);
    }
    Broadcast(bmScreenDataReady, mask);
    Broadcast(bmQuickViewDataReady, mask);
}

void TDataSourceTarn::ReduceToScreen(int32_t channel) {
    if (channel < 0 || channel >= ChannelCount() || size_t(channel) >= Screen.size())
        return;
    const TSettingsTarn &s = *Settings();
    const TWaveform &w = Waves[size_t(channel)];
    TChannelWave &out = Screen[size_t(channel)];
    out.Valid = !w.Empty() && ChannelOn(channel);
    if (!out.Valid)
        return;
    const int64_t start = int64_t(s.DisplayStart) + (s.QuickViewOn ? s.QuickViewStart : 0);
    out.PointsPerSample = PointsPerSample(s.DisplayRatio, s.PointsOnScreen);
    ReduceScreenColumns(w, start, ScreenStep(s.DisplayRatio), s.PointsOnScreen, out);
}

void TDataSourceTarn::ReduceToQuickView(int32_t channel) {
    if (channel < 0 || channel >= ChannelCount() || size_t(channel) >= QuickView.size())
        return;
    const TSettingsTarn &s = *Settings();
    const TWaveform &w = Waves[size_t(channel)];
    TChannelWave &out = QuickView[size_t(channel)];
    out.Valid = !w.Empty() && s.QuickViewOn && ChannelOn(channel);
    if (!out.Valid)
        return;
    int32_t width = -1;
    if (ObjMaster())
        ObjMaster()->Broadcast(bmQueryQuickViewWidth, 0, &width);
    if (width <= 0) { // no quick view answered
        out.Valid = false;
        return;
    }
    if (s.Options) {
        const TColorList colours = s.Options->GetColorArray(opColorChannels);
        if (size_t(channel) < colours.size())
            out.Colour = colours[size_t(channel)];
    }
    ReduceQuickViewColumns(w, width, out);
}

void TDataSourceTarn::ReduceAllToQuickView() {
    for (int32_t c = 0; c < ChannelCount(); ++c)
        ReduceToQuickView(c);
}

void TDataSourceTarn::SetAcquiredData(const TAcquiredData &data) {
    const int32_t memorySize = std::max(Settings()->ShownSettings().MemorySize, 0);
    const int32_t n = std::min(int32_t(data.size()), ChannelCount());
    if (n > 0 && int32_t(Waves[0].Data.size()) != memorySize) {
        for (int32_t i = 0; i < n; ++i)
            Waves[size_t(i)].Data.resize(size_t(memorySize));
        Broadcast(bmRecordLengthChanged, 0);
    }
    int32_t mask = 0;
    for (int32_t i = 0; i < n; ++i) {
        const TWaveform &from = data[size_t(i)];
        TWaveform &to = Waves[size_t(i)];
        // Only samples that exist on both sides are copied; the valid range shrinks to them.
        const int32_t first = std::max(from.First, 0);
        const int32_t last =
            std::min({int64_t(from.Last), int64_t(from.Data.size()) - 1, int64_t(to.Data.size()) - 1});
        if (last >= first) {
            to.First = first;
            to.Last = last;
            std::copy(from.Data.begin() + first, from.Data.begin() + last + 1, to.Data.begin() + first);
        } else {
            to.First = from.First;
            to.Last = std::min(from.Last, from.First - 1);
        }
        if (ChannelOn(i)) {
            ReduceToQuickView(i);
            ReduceToScreen(i);
            mask |= Bit(i);
        }
    }
    Broadcast(bmScreenDataReady, mask);
    Broadcast(bmQuickViewDataReady, mask);
}

void TDataSourceTarn::SetLoadedTraces(const TAcquiredData &traces, const std::vector<int32_t> &dx,
                                      const std::vector<int32_t> &dy) {
    const int32_t n = std::max(ModuleChannelEnd(), 0);
    const size_t memorySize = size_t(std::max(Settings()->ShownSettings().MemorySize, 0));
    for (int32_t p = n; p < ChannelCount(); ++p)
        if (Waves[size_t(p)].Data.size() != memorySize)
            Waves[size_t(p)].Data.resize(memorySize);
    int32_t mask = 0;
    for (size_t i = 0; i < traces.size() && int64_t(n) + int64_t(i) < ChannelCount(); ++i) {
        const int32_t p = n + int32_t(i);
        const TWaveform &trace = traces[i];
        TWaveform &to = Waves[size_t(p)];
        const int64_t sx = i < dx.size() ? dx[i] : 0;
        const int32_t sy = i < dy.size() ? dy[i] : 0;
        // Limited to the trace's own samples as well, so a trace whose indices run past them is safe.
        const int64_t first = std::max({int64_t(0), int64_t(trace.First) + sx, sx});
        const int64_t last = std::min(
            {int64_t(to.Data.size()) - 1, int64_t(trace.Last) + sx, int64_t(trace.Data.size()) - 1 + sx});
        if (last >= first) {
            to.First = int32_t(first);
            to.Last = int32_t(last);
            for (int64_t j = first; j <= last; ++j)
                to.Data[size_t(j)] = uint8_t(std::clamp(int32_t(trace.Data[size_t(j - sx)]) + sy, 0, 255));
        } else {
            to.MakeEmpty();
        }
        if (ChannelOn(p)) {
            ReduceToScreen(p);
            ReduceToQuickView(p);
            mask |= Bit(p);
        }
    }
    Broadcast(bmScreenDataReady, mask);
    Broadcast(bmQuickViewDataReady, mask);
}

} // namespace scope
