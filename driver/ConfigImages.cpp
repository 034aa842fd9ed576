#include "ConfigImages.h"

#include "ConfigImageContent.h"

#include <cstddef>

namespace pellex {

extern const uint8_t ScrambledImage0[ConfigImageSize(0)];
extern const uint8_t ScrambledImage1[ConfigImageSize(1)];
extern const uint8_t ScrambledImage2[ConfigImageSize(2)];
extern const uint8_t ScrambledImage3[ConfigImageSize(3)];

std::vector<uint8_t> ConfigurationBuffer(int image) {
    static const uint8_t *const images[ConfigImageCount] = {ScrambledImage0, ScrambledImage1, ScrambledImage2,
                                                            ScrambledImage3};
    std::vector<uint8_t> buffer(ConfigBufferSize(image), 0);
    const uint8_t *scrambled = images[image];
    for (size_t j = 0; j < ConfigImageSize(image); ++j)
        buffer[j + 1] = scrambled[j] ^ ConfigImageKey;
    return buffer;
}

} // namespace pellex
