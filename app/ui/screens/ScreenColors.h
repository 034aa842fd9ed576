// Pen values of the exclusive-or screen layers. Colours are 0x00BBGGRR; a pen value is the colour
// XORed with the background it is drawn over, so that the pixel shows the colour itself.
#pragma once

#include <cstdint>

namespace scope {

// The colour c moved towards the background b by the factor f (1 = c itself), as a pen value over b.
uint32_t MixWithScreenColor(uint32_t c, double f, uint32_t background);
// The colour brightened by 192 per byte while hovered, as a pen value over the screen colour.
uint32_t HighlightColor(uint32_t c, bool hover, uint32_t screenColor);
// The colour a text keeps on white paper: itself where it stands out enough to be read (a contrast of at
// least 3:1 against white), else black.
uint32_t TextColorOnPaper(uint32_t c);
// Each of red, green and blue raised by the amount, limited to 255; the top byte kept.
uint32_t LightenColor(uint32_t c, int amount);

} // namespace scope
