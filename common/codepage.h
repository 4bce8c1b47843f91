#pragma once
// Conversions between the code pages the program meets: UTF-8 (the file system,
// the windows and the terminal), Windows-1251 (every text file the program reads
// and writes) and CP866 (names inside the output archive). Every conversion goes
// through ConvertText; the named ones below say what a failure means.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

// Whether two UTF-8 texts are the same but for letter case: compared character
// by character, each in its lower case (Unicode's simple mapping, every script:
// "ЯНВАРЬ.HTML" and "январь.html" are the same). A byte that starts no valid
// sequence is compared as it is.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Throw Error naming the text when it cannot be converted.
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);

}  // namespace nevalorum
