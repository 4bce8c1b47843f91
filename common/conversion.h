#pragma once
// Text-to-integer conversion with the rules of the program's data files and
// input fields.

#include <cstdint>
#include <string_view>

namespace nevalorum {

// Reads a signed 32-bit decimal integer: leading blanks and zeros, an optional
// sign, then digits to the end of the text (a trailing blank is not allowed).
// Throws ConversionError "'<text>' is not a valid integer value" otherwise.
std::int32_t ParseInteger(std::string_view text);

}  // namespace nevalorum
