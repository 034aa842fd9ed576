// Values that make the formatters write their longest texts, for sizing the controls that show them.
#pragma once

#include <vector>

namespace scope {

// Both ends of the span [lo, hi] (0 <= lo <= hi) and, in every decade between them, each leading digit
// repeated down to the last place the formatters keep (d.ddddddd x 10^e): whichever digit a font draws
// widest, every length and prefix the span can produce is among the texts of these values. With a step
// above 0 each value is a whole number of steps inside the span (a sample count over a rate), so that
// only places a count can reach are filled. Without one the decades start at 10^-12 or at lo.
std::vector<double> SpanValues(double lo, double hi, double step = 0);

} // namespace scope
