#include "common/conversion.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace nevalorum {
namespace {

TEST(ParseInteger, AcceptsStandardForms) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"1", 1},
        {"  1", 1},
        {"001", 1},
        {" 90", 90},
        {"103", 103},
        {"-5", -5},
        {"+7", 7},
        {" -0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseInteger(c.text), c.expected) << c.text;
    }
}

TEST(ParseInteger, RejectsOtherTextsNamingThem) {
    for (const char* text :
         {"", "   ", "1 ", "1a", "a", "1.5", "--1", "+-1", "2147483648", "- 1"}) {
        try {
            ParseInteger(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const ConversionError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

}  // namespace
}  // namespace nevalorum
