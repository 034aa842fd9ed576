// The configuration images as the library stores them (scrambled) and the loader's buffer.
#pragma once

#include <cstdint>
#include <vector>

namespace pellex {

// The buffer for the loader: image byte j descrambled at offset j + 1, the rest zero.
std::vector<uint8_t> ConfigurationBuffer(int image);

} // namespace pellex
