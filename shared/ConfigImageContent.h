// Contents of the four configuration images of the Pellan family's programmable logic. The
// library stores them scrambled (generated at build time); the simulated instrument checks a
// load against them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pellex {

constexpr int ConfigImageCount = 4;
constexpr uint8_t ConfigImageKey = 0x6B;

// Images 0 and 2 serve the 4096-sample models, 1 and 3 the 8192-sample ones.
constexpr size_t ConfigImageSize(int image) {
    return image % 2 == 0 ? 54979 : 131024;
}
// Size of the buffer handed to the loader: the image at offset 1 and a zero tail.
constexpr size_t ConfigBufferSize(int image) {
    return image % 2 == 0 ? 54989 : 131048;
}

// Byte j of an image: a fixed mixing function of (image, j).
constexpr uint8_t ConfigImageByte(int image, size_t j) {
    uint64_t z = (static_cast<uint64_t>(image + 1) << 40) + j + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint8_t>(z ^ (z >> 31));
}

} // namespace pellex
