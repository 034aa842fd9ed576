#include "format/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace scope {

namespace numtext {

std::string FloatToText(double value, char decimalSeparator) {
    if (!std::isfinite(value))
        return "N/A";
    if (value == 0)
        return "0";
    // 15 significant digits as d.dddddddddddddde+XX.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    bool negative = sci[0] == '-';
    if (negative)
        sci.erase(0, 1);
    size_t ePos = sci.find('e');
    int exponent = std::atoi(sci.c_str() + ePos + 1);
    std::string digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out += "0";
            out += decimalSeparator;
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            size_t intLen = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= intLen) {
                out += digits;
                out.append(intLen - digits.size(), '0');
            } else {
                out += digits.substr(0, intLen);
                out += decimalSeparator;
                out += digits.substr(intLen);
            }
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out += digits.substr(1);
        }
        out += "E";
        out += std::to_string(exponent);
    }
    return out;
}

bool TryParseInt(const std::string &text, int32_t &value) {
    const char *p = text.data();
    const char *end = p + text.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end)
        return false;
    int64_t v = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + (*p - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool TryParseFloat(const std::string &text, char decimalSeparator, double &value) {
    std::string s;
    s.reserve(text.size());
    size_t i = 0, n = text.size();
    auto digitsAt = [&](size_t from) {
        size_t k = from;
        while (k < n && text[k] >= '0' && text[k] <= '9')
            ++k;
        return k - from;
    };
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            s += '-';
        ++i;
    }
    size_t intDigits = digitsAt(i);
    s.append(text, i, intDigits);
    i += intDigits;
    size_t fracDigits = 0;
    if (i < n && text[i] == decimalSeparator) {
        ++i;
        fracDigits = digitsAt(i);
        s += '.';
        s.append(text, i, fracDigits);
        i += fracDigits;
    }
    if (intDigits + fracDigits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        s += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            s += text[i++];
        size_t expDigits = digitsAt(i);
        if (expDigits == 0)
            return false;
        s.append(text, i, expDigits);
        i += expDigits;
    }
    if (i != n)
        return false;
    double v = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

std::string NormaliseSeparators(std::string text, char decimalSeparator) {
    for (char &c : text)
        if (c == '.' || c == ',')
            c = decimalSeparator;
    return text;
}

} // namespace numtext

} // namespace scope
