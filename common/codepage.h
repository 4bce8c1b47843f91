#pragma once
// Conversions between the code pages the program meets: UTF-8 (the file system,
// the windows and the terminal), Windows-1251 (every text file the program reads
// and writes) and CP866 (names inside the output archive).

#include <string>
#include <string_view>

namespace nevalorum {

// Throws Error when the text holds a character the target code page lacks or is
// not valid in its source code page.
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);
std::string Cp1251ToCp866(std::string_view cp1251);
std::string Cp866ToUtf8(std::string_view cp866);

}  // namespace nevalorum
