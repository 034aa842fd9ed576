#include "device/DataTypesTarn.h"

#include "format/NumberText.h"
#include "platform/Platform.h"

#include <cmath>

namespace scope {

void TCapabilities::SetDefaultCapabilities() {
    PointsOnScreen = 500;
    PointsPerDiv = 50;
    LevelCount = 256;
    LevelsPerDiv = 32;
    ChannelCount = 6;
    PhysicalChannelCount = 2;
    TriggerSourceCount = 3;
    MemorySizes.clear();
    for (int32_t i = 0, size = 1024; i < 11; ++i, size *= 2)
        MemorySizes.push_back(size);
}

std::string NumberText(double x) {
    if (!std::isfinite(x))
        return "N/A";
    double rounded = std::nearbyint(x * 1000) / 1000;
    if (!std::isfinite(rounded))
        return "N/A";
    return numtext::FloatToText(rounded, platform::DecimalSeparator());
}

std::string FormatInteger(int32_t n) {
    return std::to_string(n);
}

namespace {
std::string ScaledPrefix(int32_t n, double divisor, const char *const letters[4]) {
    double x = n;
    int d = 0;
    while (x >= divisor) {
        x /= divisor;
        ++d;
    }
    return NumberText(x) + letters[d];
}
} // namespace

std::string FormatDecimalPrefix(int32_t n) {
    static const char *const letters[4] = {"", "k", "M", "G"};
    return ScaledPrefix(n, 1000, letters);
}

std::string FormatBinaryPrefix(int32_t n) {
    static const char *const letters[4] = {"", "K", "M", "G"};
    return ScaledPrefix(n, 1024, letters);
}

std::string FormatFrequency(double x) {
    if (!std::isfinite(x))
        return "N/A";
    int d = 0;
    while (x < 1 && x > 0.000001) {
        x *= 1000;
        --d;
    }
    while (x >= 1000) {
        x /= 1000;
        ++d;
    }
    // Below one millihertz the text keeps its digits and has no prefix letter.
    static const char *const letters[] = {"m", "", "k", "M", "G", "T"};
    std::string prefix = d >= -1 && d <= 4 ? letters[d + 1] : "";
    return NumberText(x) + prefix;
}

std::string FormatTime(double x) {
    if (!std::isfinite(x))
        return "N/A";
    int d = 0;
    while (std::fabs(x) < 1 && std::fabs(x) > 1e-12) {
        x *= 1000;
        ++d;
    }
    static const char *const letters[] = {"", "m", "u", "n", "p"};
    return NumberText(x) + letters[d];
}

std::string FormatVoltage(double x) {
    if (!std::isfinite(x))
        return "N/A";
    int d = 0;
    while (std::fabs(x) < 1 && d > -2) {
        x *= 1000;
        --d;
    }
    while (std::fabs(x) >= 1000 && d < 1) {
        x /= 1000;
        ++d;
    }
    std::string text = NumberText(x);
    if (text == "0")
        d = 0;
    static const char *const letters[] = {"u", "m", "", "k"};
    return text + letters[d + 2];
}

int32_t ParsePercent(const std::string &s) {
    if (s.empty())
        return 0;
    std::string rest = s;
    if (rest.back() == '%')
        rest.pop_back();
    if (rest.empty())
        return 0;
    int32_t v = 0;
    if (!numtext::TryParseInt(rest, v))
        throw EConvertError("'" + rest + "' is not a valid integer value");
    return v;
}

double ParseTime(const std::string &s) {
    char sep = platform::DecimalSeparator();
    std::string t = numtext::NormaliseSeparators(s, sep);
    if (t.empty())
        throw Exception("Incorrect time string");
    if (t.back() == 's')
        t.pop_back();
    if (t.empty())
        throw Exception("Incorrect time string");
    double divisor = 1;
    switch (t.back()) {
    case 'm':
        divisor = 1e3;
        break;
    case 'u':
        divisor = 1e6;
        break;
    case 'n':
        divisor = 1e9;
        break;
    }
    if (divisor != 1)
        t.pop_back();
    size_t b = t.find_first_not_of(' ');
    size_t e = t.find_last_not_of(' ');
    t = b == std::string::npos ? std::string() : t.substr(b, e - b + 1);
    double v = 0;
    if (!numtext::TryParseFloat(t, sep, v))
        throw EConvertError("'" + t + "' is not a valid floating point value");
    return divisor != 1 ? v / divisor : v;
}

std::string CouplingText(bool dc) {
    return dc ? "DC" : "AC";
}

std::string ProbeText(int32_t probe) {
    switch (probe) {
    case 1:
        return "1:10";
    case 2:
        return "1:100";
    case 3:
        return "1:1000";
    default:
        return "1:1";
    }
}

int32_t ProbeFactor(int32_t probe) {
    switch (probe) {
    case 1:
        return 10;
    case 2:
        return 100;
    case 3:
        return 1000;
    default:
        return 1;
    }
}

} // namespace scope
