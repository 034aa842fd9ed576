#include "format/WidestValues.h"

#include <algorithm>
#include <cmath>

namespace scope {

namespace {
// Below the smallest prefix of every formatter.
constexpr double SmallestDecade = 1e-12;
// The formatters scale by powers of 1000 and keep three decimals of the scaled number: the digit
// repeated from the decade 10^e down to the last decimal kept, 8.888 (e = 0), 88.888m (e = -2).
double Repeated(int digit, int e) {
    const int prefix = int(std::floor(e / 3.0)) * 3;
    double places = 0;
    for (int place = e; place >= prefix - 3; --place)
        places = places * 10 + digit;
    return places * std::pow(10.0, prefix - 3);
}
} // namespace

std::vector<double> SpanValues(double lo, double hi, double step) {
    std::vector<double> values;
    if (!(lo >= 0) || !(hi >= lo) || !std::isfinite(hi))
        return values;
    auto add = [&](double v) {
        // The ends are whole counts of the step, up to the rounding of their quotients.
        if (step > 0)
            values.push_back(std::clamp(std::nearbyint(v / step), std::ceil(lo / step - 1e-9),
                                        std::floor(hi / step + 1e-9)) *
                             step);
        else if (v >= lo && v <= hi)
            values.push_back(v);
    };
    add(lo);
    add(hi);
    const double from = std::max({lo, step > 0 ? step : 0.0, SmallestDecade});
    if (hi > 0)
        for (int e = int(std::floor(std::log10(from))); e <= int(std::floor(std::log10(hi))); ++e)
            for (int digit = 1; digit <= 9; ++digit)
                if (const double v = Repeated(digit, e); v >= lo && v <= hi)
                    add(v);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

} // namespace scope
