#include "ModuleSettings.h"

#include <algorithm>
#include <string>

namespace parmod {

namespace {

template <size_t N> bool AnyOn(const std::array<bool, N> &a) {
    return std::any_of(a.begin(), a.end(), [](bool on) { return on; });
}

template <size_t N> void ReadGroup(const THostLink &host, const char *prefix, std::array<bool, N> &group) {
    const std::array<bool, N> defaults = group;
    for (size_t i = 0; i < N; ++i) {
        bool value = defaults[i];
        if (!host.ReadBool(prefix + std::to_string(i), value))
            value = defaults[i];
        group[i] = value;
    }
    if (!AnyOn(group))
        group = defaults; // at least one stays visible
}

int32_t ReadRangeSource(const THostLink &host, const char *key, int32_t fallback) {
    int32_t value = fallback;
    if (!host.ReadInt(key, value))
        return fallback;
    return value == 1 ? 1 : 0;
}

} // namespace

TModuleSettings::TModuleSettings() {
    Rows.fill(true);
    Channels = {true, true, false, false};
    Stats = {true, true, false, false, false};
}

void TModuleSettings::Load(const THostLink &host) {
    *this = TModuleSettings();
    ReadGroup(host, "param_", Rows);
    ReadGroup(host, "channel_", Channels);
    ReadGroup(host, "stat_", Stats);
    RangeC = ReadRangeSource(host, "RangeC", 0);
    RangeD = ReadRangeSource(host, "RangeD", 1);
    bool onTop = false;
    StayOnTop = host.ReadBool("stayontop", onTop) && onTop;
}

void TModuleSettings::Save(const THostLink &host) const {
    for (size_t i = 0; i < Rows.size(); ++i)
        host.WriteBool("param_" + std::to_string(i), Rows[i]);
    for (size_t i = 0; i < Channels.size(); ++i)
        host.WriteBool("channel_" + std::to_string(i), Channels[i]);
    for (size_t i = 0; i < Stats.size(); ++i)
        host.WriteBool("stat_" + std::to_string(i), Stats[i]);
    host.WriteInt("RangeC", RangeC);
    host.WriteInt("RangeD", RangeD);
    host.WriteBool("stayontop", StayOnTop);
}

} // namespace parmod
