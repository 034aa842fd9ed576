// The module window's configuration as it is kept in the host's settings file.
#pragma once

#include "HostLink.h"
#include "ParamCalculator.h"

#include <array>
#include <cstdint>

namespace parmod {

struct TModuleSettings {
    std::array<bool, ParamRowCount> Rows;
    std::array<bool, ParamChannelCount> Channels;
    std::array<bool, ParamStatCount> Stats;
    int32_t RangeC = 0;
    int32_t RangeD = 1;
    bool StayOnTop = false;

    TModuleSettings();

    // Reads every key; a missing key keeps its default. Stored values are checked: a range source other
    // than 0 or 1 counts as A, and a group of switches that are all off takes that group's defaults.
    void Load(const THostLink &host);
    // Writes every key, in the order Load reads them.
    void Save(const THostLink &host) const;
};

} // namespace parmod
