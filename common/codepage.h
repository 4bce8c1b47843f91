#pragma once
// Conversions between the code pages the program meets: UTF-8 (the file system,
// the windows and the terminal), Windows-1251 (every text file the program reads
// and writes) and CP866 (names inside the output archive). Every conversion goes
// through ConvertText; the named ones below say what a failure means.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/errors.h"

namespace nevalorum {

enum class CodePage { Utf8, Windows1251, Cp866 };

// What a conversion does with a character the target code page lacks.
enum class Unmappable {
    Fail,                // the conversion fails
    CharacterReference,  // written as "&#N;", N the character's Unicode number
};

// The text in the target code page, or none when it is not valid in its source
// code page or (with Unmappable::Fail) holds a character the target lacks.
std::optional<std::string> ConvertText(std::string_view text, CodePage from, CodePage to,
                                       Unmappable unmappable = Unmappable::Fail);

// The Unicode character whose UTF-8 sequence starts at offset, moving offset past
// it; none, with offset unchanged, when no valid sequence starts there (a stray
// or missing continuation byte, an overlong form, a surrogate, a value above
// U+10FFFF, the end of the text).
std::optional<char32_t> DecodeUtf8At(std::string_view text, std::size_t& offset);

// Whether bytes read as Windows-1251 text are that: every byte is one of its
// characters, and the bytes are not UTF-8 text with letters beyond ASCII (a
// Russian text in Windows-1251 is never valid UTF-8: two lower-case letters in
// a row already break it).
bool IsWindows1251Text(std::string_view bytes);

// The error for a file of the program's that is not Windows-1251 text.
InputOutputError NotWindows1251Error(const std::string& path);

// The UTF-8 sequence of a Unicode character (U+0000 to U+10FFFF).
std::string EncodeUtf8(char32_t character);

// Throw Error naming the text when it cannot be converted.
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);

}  // namespace nevalorum
