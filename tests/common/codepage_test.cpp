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

TEST(CodePages, Conversions) {
    constexpr auto Utf8 = CodePage::Utf8;
    constexpr auto Win = CodePage::Windows1251;
    constexpr auto Oem = CodePage::Cp866;
    constexpr auto Fail = Unmappable::Fail;
    constexpr auto Reference = Unmappable::CharacterReference;
    struct Case {
        const char* name;
        std::string text;
        CodePage from, to;
        Unmappable unmappable;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Г я ё to the OEM page", "\xC3\xFF\xB8 a.txt", Win, Oem, Fail, "\x83\xEF\xF1 a.txt"},
        {"Ђ has no OEM code", "\x80", Win, Oem, Fail, std::nullopt},
        {"0x98 is no Windows-1251 character", "a\x98", Win, Utf8, Fail, std::nullopt},
        {"Ω lacking", "Ω", Utf8, Win, Fail, std::nullopt},
        {"Ω as a reference", "aΩb", Utf8, Win, Reference, "a&#937;b"},
        {"emoji as a reference", "😀Я", Utf8, Win, Reference, "&#128512;\xDF"},
        {"many references grow the result", std::string(40, '\0') + "ΩΩΩΩΩΩΩΩΩΩ", Utf8, Win,
         Reference,
         std::string(40, '\0') + "&#937;&#937;&#937;&#937;&#937;&#937;&#937;&#937;&#937;&#937;"},
        // Text that is no UTF-8 fails even where references are allowed.
        {"stray byte",
         "A\xC3"
         "A",
         Utf8, Win, Reference, std::nullopt},
        {"lone surrogate", "\xED\xA0\x80", Utf8, Win, Reference, std::nullopt},
        {"overlong NUL", "\xC0\x80", Utf8, Win, Reference, std::nullopt},
        {"cut short at the end", "ok\xD0", Utf8, Win, Reference, std::nullopt},
        {"not UTF-8 at all", "\xFF\xFE", Utf8, Win, Fail, std::nullopt},
        {"empty", "", Utf8, Win, Fail, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertText(c.text, c.from, c.to, c.unmappable), c.expected) << c.name;
    }
}

TEST(CodePages, NamedConversionsThrow) {
    EXPECT_THROW(Utf8ToCp1251("Ω"), Error);
    EXPECT_THROW(Utf8ToCp1251("\xFF\xFE"), Error);
    EXPECT_THROW(Cp1251ToUtf8("\x98"), Error);
}

TEST(CodePages, DecodeUtf8At) {
    struct Case {
        std::string text;
        std::optional<char32_t> expected;
        std::size_t length;  // bytes consumed
    };
    const Case cases[] = {
        {"A", U'A', 1},
        {"Я", U'Я', 2},
        {"€", U'€', 3},
        {"😀", U'😀', 4},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
        {"\xF4\x90\x80\x80", std::nullopt, 0},  // above U+10FFFF
        {"\xE0\x80\xAF", std::nullopt, 0},      // overlong
        {"\xED\xBF\xBF", std::nullopt, 0},      // surrogate
        {"\x80", std::nullopt, 0},
        {"\xD0", std::nullopt, 0},
        {"", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        std::size_t offset = 0;
        EXPECT_EQ(DecodeUtf8At(c.text, offset), c.expected) << c.text;
        EXPECT_EQ(offset, c.length) << c.text;
    }
}

}  // namespace
}  // namespace nevalorum
