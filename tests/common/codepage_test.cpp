#include "common/codepage.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace nevalorum {
namespace {

TEST(CodePages, CyrillicRoundTripsThroughWindows1251) {
    const std::string utf8 = "Гороскоп на 5 марта, ёлка «Ё»";
    const std::string cp1251 = Utf8ToCp1251(utf8);
    EXPECT_EQ(cp1251.size(), 29u);
    EXPECT_EQ(static_cast<unsigned char>(cp1251[0]), 0xC3);   // Г
    EXPECT_EQ(static_cast<unsigned char>(cp1251[21]), 0xB8);  // ё
    EXPECT_EQ(Cp1251ToUtf8(cp1251), utf8);
}

TEST(CodePages, Windows1251ToOemCodePage) {
    // Г, я, ё in Windows-1251 become 0x83, 0xEF, 0xF1 in CP866.
    EXPECT_EQ(Cp1251ToCp866("\xC3\xFF\xB8 a.txt"), "\x83\xEF\xF1 a.txt");
}

TEST(CodePages, CharactersTheTargetLacksAreErrors) {
    EXPECT_THROW(Utf8ToCp1251("Ω"), Error);
    EXPECT_THROW(Utf8ToCp1251("\xFF\xFE"), Error);  // not UTF-8
    EXPECT_THROW(Cp1251ToCp866("\x80"), Error);     // Ђ has no OEM code
}

}  // namespace
}  // namespace nevalorum
