// Locale-independent number conversions used wherever numbers become text and back.
#pragma once

#include <cstdint>
#include <string>

namespace scope {

namespace numtext {

// Shortest general decimal form with up to 15 significant digits: no exponent for magnitudes
// from 0.00001 up to 10^15, otherwise "1.5E20" / "1E-6"; trailing zeros dropped; never "-0";
// "N/A" for NaN and infinities.
std::string FloatToText(double value, char decimalSeparator);

// Decimal integer: optional sign and digits only, within 32 bits.
bool TryParseInt(const std::string &text, int32_t &value);
// Finite decimal number with the given separator: optional sign, digits, optional fraction and
// exponent; no blanks, "nan", "inf" or hexadecimal forms.
bool TryParseFloat(const std::string &text, char decimalSeparator, double &value);

// Replaces every "." and "," by the separator, as readers of typed fractions do.
std::string NormaliseSeparators(std::string text, char decimalSeparator);

} // namespace numtext

} // namespace scope
