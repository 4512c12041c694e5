#pragma once

// The leading-number reading of a text field: "250px" reads 250, "&H100" 256,
// " 1 2 0" 120, "abc" 0. Blanks, tabs and line feeds are ignored anywhere; a sign,
// a decimal part with "." and an exponent (E or D) are read; &H and &O (or a bare
// &) introduce hexadecimal and octal digits. Reading stops at the first character
// that cannot continue the number.

#include <optional>
#include <string_view>

namespace tessaline {

// The number the text starts with, or 0 when it starts with none. A number too
// large for a double reads as an infinity.
double leadingNumber(std::string_view text);

// The output side a size field's text asks for: its leading number rounded to a
// whole pixel (half to even), or nothing when that is outside 1..10000.
std::optional<int> outputSideFromText(std::string_view text);

} // namespace tessaline
