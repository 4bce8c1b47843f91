#include "common/conversion.h"

#include <charconv>
#include <string>

#include "common/errors.h"

namespace nevalorum {

std::int32_t ParseInteger(std::string_view text) {
    std::string_view rest = text;
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    // Digits only from here: from_chars alone would accept a second sign.
    bool digitsOnly = !rest.empty();
    for (char c : rest) {
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
    }
    std::int64_t magnitude = 0;
    if (digitsOnly) {
        auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), magnitude);
        digitsOnly = error == std::errc() && end == rest.data() + rest.size();
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (!digitsOnly || value < INT32_MIN || value > INT32_MAX) {
        throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace nevalorum
