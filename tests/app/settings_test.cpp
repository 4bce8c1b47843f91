#include "app/settings.h"

#include <gtest/gtest.h>

#include <optional>

#include "common/errors.h"

namespace nevalorum {
namespace {

const std::string Path = "/w/System/set.dat";

TEST(ParseSettings, ReadsTheThreeLines) {
    struct Case {
        const char* name;
        std::string bytes;
        Settings expected;
    };
    const Case cases[] = {
        {"shipped file",
         "1\r\n0\r\nNevalorum Pelinor\r\n",
         {.FontSizeSetting = 1, .LineTwoValue = 0, .LineThreeText = "Nevalorum Pelinor"}},
        {"line feeds only",
         "3\n7\n\xCF\xF0\xE8\xE2\xE5\xF2\n",
         {.FontSizeSetting = 3, .LineTwoValue = 7, .LineThreeText = "\xCF\xF0\xE8\xE2\xE5\xF2"}},
        {"no third line", "2\r\n5", {.FontSizeSetting = 2, .LineTwoValue = 5, .LineThreeText = ""}},
        {"blanks around the numbers",
         "  0 \t\r\n -12\t\r\n text \r\n",
         {.FontSizeSetting = 0, .LineTwoValue = -12, .LineThreeText = " text "}},
        {"signs and leading zeros",
         "+002\r\n-2147483648\r\nx\r\ny\r\n",
         {.FontSizeSetting = 2, .LineTwoValue = INT32_MIN, .LineThreeText = "x"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSettings(c.bytes, Path), c.expected) << c.name;
    }
}

TEST(ParseSettings, NamesTheFileAndTheLineOfABadNumber) {
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"", "Invalid numeric input in /w/System/set.dat, line 1: ''"},
        {"x\r\n0\r\ntext\r\n", "Invalid numeric input in /w/System/set.dat, line 1: 'x'"},
        {"1 2\r\n0\r\n", "Invalid numeric input in /w/System/set.dat, line 1: '1 2'"},
        {"2147483648\r\n0\r\n", "Invalid numeric input in /w/System/set.dat, line 1: '2147483648'"},
        {"1\r\n", "Invalid numeric input in /w/System/set.dat, line 2: ''"},
        {"1\r\n0x \r\n", "Invalid numeric input in /w/System/set.dat, line 2: '0x'"},
        {"1\r\n\r\n0\r\n", "Invalid numeric input in /w/System/set.dat, line 2: ''"},
        // A carriage return alone does not end a line.
        {"1\r0\r\n", "Invalid numeric input in /w/System/set.dat, line 1: '1\r0'"},
    };
    for (const Case& c : cases) {
        std::optional<std::string> message;
        try {
            ParseSettings(c.bytes, Path);
        } catch (const InputOutputError& error) {
            message = error.what();
        }
        EXPECT_EQ(message, c.message) << c.bytes;
    }
}

}  // namespace
}  // namespace nevalorum
