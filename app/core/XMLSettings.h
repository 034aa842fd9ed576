// Typed values at slash-separated paths in one XML document.
#pragma once

#include <cstdint>
#include <vector>

using TIntArray = std::vector<int32_t>;
using THexArray = std::vector<int32_t>;
// One byte per element: 0 false, 1 true.
using TBoolArray = std::vector<uint8_t>;
