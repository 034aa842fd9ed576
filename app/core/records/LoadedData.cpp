#include "records/LoadedData.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"

#include <algorithm>
#include <cmath>

namespace scope {

namespace {

template <typename T> T At(const std::vector<T> &v, int32_t i) {
    return i >= 0 && size_t(i) < v.size() ? v[size_t(i)] : T{};
}

int32_t Physical(const TSettingsTarn &s) {
    return std::max(s.PhysicalChannelCount, 0);
}

int32_t LoadedSlotStart(const TSettingsTarn &s) {
    return Physical(s) + std::max(s.VirtualChannelCount, 0);
}

} // namespace

void TLoadedData::RegisterValues(TSaveLoadFormat &f) {
    f.AddValue("MemorySize", &Copy.MemorySize);
    f.AddValue("TimeBase", &TimeBase);
    f.AddValue("WCDSensitivity", &Copy.WCD);
    f.AddValue("Range", &Range);
    f.AddValue("Shift", &Copy.Shift);
    f.AddValue("Filter", &Copy.FilterOn);
    f.AddValue("FilterFactor", &Copy.FilterFactor);
    f.AddValue("TriggerSrcOnPrimary", &Copy.TriggerSourceOn[0]);
    f.AddValue("TriggerSrcOnSecondary", &Copy.TriggerSourceOn[1]);
    f.AddValue("TriggerSrcLeadingPrimary", &Copy.TriggerLeading[0]);
    f.AddValue("TriggerSrcLeadingSecondary", &Copy.TriggerLeading[1]);
    f.AddValue("TriggerLevel", &Copy.TriggerLevel);
    f.AddValue("TriggerCount", TPairRef(&Copy.TriggerCount));
    f.AddValue("TriggerLength", TPairRef(&Copy.TriggerLength));
    f.AddValue("TriggerMode", &Copy.TriggerMode);
    f.AddValue("ATMode", &ATMode);
    f.AddValue("HFMode", &HFMode);
    f.AddValue("SimpleTrigger", &SimpleTrigger);
    f.AddValue("AfterTriggerSamples", &Copy.AfterTrigger);
    f.AddValue("HoldOffSamples", &Copy.HoldOff);
    f.AddValue("ProbeMode", &Copy.ProbeMode);
    f.AddValue("Ground", &Copy.Ground);
    f.AddValue("DC", &Copy.DCCoupling);
    f.AddValue("GroundPos", &Copy.GroundPosition);
    f.AddValue("FirstValidSample", &FirstValidSample);
    f.AddValue("LastValidSample", &LastValidSample);
    f.AddValue("AcquiredData", &AcquiredData);
}

void TLoadedData::Capture(TSettingsTarn &s, TDataSourceTarn &dataSource) {
    SettingsRef = &s;
    TSettingsTarn::CopyDeviceSettings(s.ShownSettings(), Copy);

    int32_t n = Physical(s);
    for (size_t j = size_t(n); j < s.ChannelsOn.size(); ++j)
        if (s.ChannelsOn[j]) {
            n += std::max(s.VirtualChannelCount, 0);
            break;
        }

    const TAcquiredData &source = dataSource.Waveforms();
    AcquiredData.assign(size_t(n), TWaveform{});
    FirstValidSample.assign(size_t(n), 0);
    LastValidSample.assign(size_t(n), -1);
    for (int32_t j = 0; j < n; ++j) {
        TWaveform &to = AcquiredData[size_t(j)];
        if (size_t(j) >= source.size()) {
            to.MakeEmpty();
        } else {
            const TWaveform &from = source[size_t(j)];
            to.First = from.First;
            to.Last = from.Last;
            if (!from.Empty()) {
                to.Data.assign(from.Data.size(), 0);
                // Only the samples the source really has; a valid range past them saves zeros.
                const int64_t first = std::max<int64_t>(from.First, 0);
                const int64_t last = std::min<int64_t>(from.Last, int64_t(from.Data.size()) - 1);
                if (last >= first)
                    std::copy(from.Data.begin() + first, from.Data.begin() + last + 1,
                              to.Data.begin() + first);
            }
        }
        FirstValidSample[size_t(j)] = to.First;
        LastValidSample[size_t(j)] = to.Last;
    }

    Range.clear();
    for (int32_t index : Copy.Range)
        Range.push_back(index >= 0 && size_t(index) < s.Ranges.size() ? s.Ranges[size_t(index)].VoltsPerDiv
                                                                      : 0.0);
    TimeBase = Copy.TimeBase >= 0 && size_t(Copy.TimeBase) < s.TimeBases.size()
                   ? s.TimeBases[size_t(Copy.TimeBase)].SampleRate
                   : 0.0;
    ATMode = s.ATMode;
    HFMode = s.HFMode;
    SimpleTrigger = s.SimpleTrigger;
}

void TLoadedData::Validate() const {
    const TSettingsTarn &s = *SettingsRef;
    if (FirstValidSample.size() != AcquiredData.size() || LastValidSample.size() != AcquiredData.size())
        throw ERecordCorrupted("The valid ranges do not match the channels");
    for (size_t i = 0; i < AcquiredData.size(); ++i) {
        const int64_t first = FirstValidSample[i], last = LastValidSample[i];
        if (last < first)
            continue;
        if (first < 0 || last >= int64_t(AcquiredData[i].Data.size()))
            throw ERecordCorrupted("A valid range lies outside its channel's samples");
    }
    const size_t channels = size_t(Physical(s));
    const size_t perChannel[] = {
        Copy.FilterOn.size(), Copy.FilterFactor.size(), Copy.TriggerLevel.size(),  Copy.ProbeMode.size(),
        Copy.Ground.size(),   Copy.DCCoupling.size(),   Copy.GroundPosition.size()};
    for (size_t n : perChannel)
        if (n < channels)
            throw ERecordCorrupted("A channel value is missing");
    for (double g : Copy.GroundPosition)
        if (!std::isfinite(g))
            throw ERecordCorrupted("A ground position is not a number");
    const TDeviceSettings &q = SettingsRef->RequestedSettings();
    for (size_t t = 0; t < 2; ++t)
        if (Copy.TriggerSourceOn[t].size() < q.TriggerSourceOn[t].size() ||
            Copy.TriggerLeading[t].size() < q.TriggerLeading[t].size())
            throw ERecordCorrupted("A trigger source is missing");
}

void TLoadedData::AfterLoad() {
    TSettingsTarn &s = *SettingsRef;
    Validate();
    if (Range.size() != size_t(Physical(s)))
        throw ERangeDefinition();

    // Channels past the loaded-trace slots are dropped.
    const int32_t start = LoadedSlotStart(s);
    const size_t slots = size_t(std::max(s.ChannelCount - start, 0));
    if (AcquiredData.size() > slots) {
        AcquiredData.resize(slots);
        FirstValidSample.resize(slots);
        LastValidSample.resize(slots);
    }
    YOffsets.assign(AcquiredData.size(), 0);
    XOffsets.assign(AcquiredData.size(), 0);
    for (size_t i = 0; i < AcquiredData.size(); ++i) {
        AcquiredData[i].First = FirstValidSample[i];
        AcquiredData[i].Last = LastValidSample[i];
    }

    const TDeviceSettings &requested = s.RequestedSettings();
    Copy.Range.assign(Range.size(), 0);
    for (size_t i = 0; i < Range.size(); ++i) {
        Copy.Range[i] = At(requested.Range, int32_t(i));
        for (size_t row = 0; row < s.Ranges.size(); ++row)
            if (s.Ranges[row].VoltsPerDiv == Range[i]) {
                Copy.Range[i] = int32_t(row);
                break;
            }
    }
    Copy.TimeBase = requested.TimeBase;
    for (size_t row = 0; row < s.TimeBases.size(); ++row)
        if (s.TimeBases[row].SampleRate == TimeBase) {
            Copy.TimeBase = int32_t(row);
            break;
        }

    for (size_t i = 0; i < AcquiredData.size(); ++i) {
        const size_t slot = size_t(start) + i;
        if (slot < s.ChannelsOn.size())
            s.ChannelsOn[slot] = 1;
    }
}

void TLoadedData::ShowTraces(TSettingsTarn &, TDataSourceTarn &dataSource) {
    dataSource.SetLoadedTraces(AcquiredData, XOffsets, YOffsets);
}

void TLoadedData::AddYOffset(int32_t index, int32_t delta) {
    if (index >= 0 && size_t(index) < YOffsets.size())
        YOffsets[size_t(index)] += delta;
}

void TLoadedData::AddXOffset(int32_t index, int32_t delta) {
    if (index >= 0 && size_t(index) < XOffsets.size())
        XOffsets[size_t(index)] += delta;
}

void TLoadedData::ApplySettings(TSettingsTarn &s, TDataSourceTarn &dataSource) {
    TDeviceSettings &r = s.RequestedSettings();
    const int32_t channels = Physical(s);
    r.TimeBase = Copy.TimeBase;
    for (size_t i = 0; i < r.Range.size(); ++i)
        r.Range[i] = At(Copy.Range, int32_t(i));
    if (r.GroundPositionMove.size() < r.GroundPosition.size())
        r.GroundPositionMove.resize(r.GroundPosition.size(), 0.0);
    for (size_t i = 0; i < r.GroundPosition.size(); ++i)
        r.GroundPositionMove[i] = At(Copy.GroundPosition, int32_t(i)) - r.GroundPosition[i];
    r.MemorySize = Copy.MemorySize;
    for (int32_t i = 0; i < channels; ++i) {
        if (size_t(i) < r.FilterOn.size())
            r.FilterOn[size_t(i)] = At(Copy.FilterOn, i);
        if (size_t(i) < r.FilterFactor.size())
            r.FilterFactor[size_t(i)] = At(Copy.FilterFactor, i);
    }
    for (size_t t = 0; t < 2; ++t) {
        for (size_t k = 0; k < r.TriggerSourceOn[t].size(); ++k)
            r.TriggerSourceOn[t][k] = At(Copy.TriggerSourceOn[t], int32_t(k));
        for (size_t k = 0; k < r.TriggerLeading[t].size(); ++k)
            r.TriggerLeading[t][k] = At(Copy.TriggerLeading[t], int32_t(k));
        r.TriggerCount[t] = Copy.TriggerCount[t];
        r.TriggerLength[t] = Copy.TriggerLength[t];
    }
    for (int32_t i = 0; i < channels; ++i)
        if (size_t(i) < r.TriggerLevel.size())
            r.TriggerLevel[size_t(i)] = At(Copy.TriggerLevel, i);
    r.TriggerMode = Copy.TriggerMode;
    r.AfterTrigger = Copy.AfterTrigger;
    r.HoldOff = Copy.HoldOff;
    for (int32_t i = 0; i < channels; ++i) {
        if (size_t(i) < r.ProbeMode.size())
            r.ProbeMode[size_t(i)] = At(Copy.ProbeMode, i);
        if (size_t(i) < r.Ground.size())
            r.Ground[size_t(i)] = At(Copy.Ground, i);
        if (size_t(i) < r.DCCoupling.size())
            r.DCCoupling[size_t(i)] = At(Copy.DCCoupling, i);
    }
    r.WCD = Copy.WCD;
    s.ATMode = ATMode;
    s.HFMode = HFMode;
    s.SimpleTrigger = SimpleTrigger;
    // A hand-edited record must not hand the device values it lacks.
    s.BringWithinCapabilities(r);
    if (TObjMasterTarn *bus = dataSource.ObjMaster())
        BroadcastSettingsApplied(*bus);
}

int32_t TLoadedData::CompareSettings() const {
    const TSettingsTarn &s = *SettingsRef;
    const TDeviceSettings &r = SettingsRef->RequestedSettings();
    const TDeviceSettings &shown = SettingsRef->ShownSettings();
    const int32_t channels = Physical(s);
    int32_t result = 0;
    if (r.TimeBase != Copy.TimeBase)
        result |= cdRangeOrTimeBase;
    for (int32_t i = 0; i < channels; ++i)
        if (At(r.Range, i) != At(Copy.Range, i))
            result |= cdRangeOrTimeBase;

    bool other = r.MemorySize != Copy.MemorySize || r.TriggerMode != Copy.TriggerMode ||
                 r.AfterTrigger != Copy.AfterTrigger || r.HoldOff != Copy.HoldOff || s.ATMode != ATMode ||
                 s.HFMode != HFMode || s.SimpleTrigger != SimpleTrigger || r.WCD != Copy.WCD;
    for (int32_t i = 0; i < channels && !other; ++i)
        other = (At(r.FilterOn, i) != 0) != (At(Copy.FilterOn, i) != 0) ||
                At(r.FilterFactor, i) != At(Copy.FilterFactor, i) ||
                At(r.TriggerLevel, i) != At(Copy.TriggerLevel, i) ||
                At(r.ProbeMode, i) != At(Copy.ProbeMode, i) ||
                (At(r.Ground, i) != 0) != (At(Copy.Ground, i) != 0) ||
                (At(r.DCCoupling, i) != 0) != (At(Copy.DCCoupling, i) != 0) ||
                std::fabs(At(shown.GroundPosition, i) - At(Copy.GroundPosition, i)) > 0.5;
    for (size_t t = 0; t < 2 && !other; ++t) {
        for (size_t k = 0; k < r.TriggerSourceOn[t].size(); ++k)
            other = other || (r.TriggerSourceOn[t][k] != 0) != (At(Copy.TriggerSourceOn[t], int32_t(k)) != 0);
        for (size_t k = 0; k < r.TriggerLeading[t].size(); ++k)
            other = other || (r.TriggerLeading[t][k] != 0) != (At(Copy.TriggerLeading[t], int32_t(k)) != 0);
        other =
            other || r.TriggerCount[t] != Copy.TriggerCount[t] || r.TriggerLength[t] != Copy.TriggerLength[t];
    }
    if (other)
        result |= cdOther;
    return result;
}

} // namespace scope
