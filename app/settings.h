#pragma once
// The settings file System/set.dat: three lines of Windows-1251 text. Line 1
// holds the page text size (FontSizeSetting), line 2 an integer that is checked
// but not used, line 3 a free text.

#include <cstdint>
#include <string>

namespace nevalorum {

struct Settings {
    std::int32_t FontSizeSetting = 0;  // line 1
    std::int32_t LineTwoValue = 0;     // line 2
    std::string LineThreeText;         // line 3, bytes as in the file (empty when missing)

    bool operator==(const Settings&) const = default;
};

// Reads the settings from the file's bytes. Lines end at line feeds, a carriage
// return before one is dropped; lines 1 and 2 must be integers once trailing
// blanks and tabs are removed (leading blanks are allowed). Throws
// InputOutputError "Invalid numeric input in <path>, line N: '<text>'" for the
// first of them that is not, a missing line counting as empty text.
Settings ParseSettings(const std::string& bytes, const std::string& path);

}  // namespace nevalorum
