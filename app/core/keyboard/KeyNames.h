// Names of key codes (scan code, plus 256 for an extended key) as the hot-key fields show them.
#pragma once

#include <cstdint>
#include <string>

namespace scope {

// US key caps; left and right keys told apart, keypad keys as "Num ..."; a code without a name reads as
// its number.
std::string KeyName(int32_t code);

} // namespace scope
