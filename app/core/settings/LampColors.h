// The colours of the status lamps (0x00BBGGRR), shared by every area that shows one.
#pragma once

#include "settings/OptionsTarn.h"

namespace scope {

constexpr TColor LampGreen = 0x00FF00;
constexpr TColor LampYellow = 0x00FFFF;
constexpr TColor LampRed = 0x0000FF;
constexpr TColor LampGrey = 0x808080;

} // namespace scope
