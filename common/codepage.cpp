#include "common/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "common/errors.h"

namespace nevalorum {
namespace {

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

std::string Convert(std::string_view text, const char* from, const char* to) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) {
        throw Error(std::string("No conversion from ") + from + " to " + to);
    }
    std::unique_ptr<void, IconvCloser> handle(raw);

    std::string result(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* out = result.data();
    size_t outLeft = result.size();
    if (iconv(raw, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        throw Error("The text '" + std::string(text) + "' cannot be converted from " + from +
                    " to " + to);
    }
    result.resize(result.size() - outLeft);
    return result;
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
    return Convert(utf8, "UTF-8", "CP1251");
}
std::string Cp1251ToUtf8(std::string_view cp1251) {
    return Convert(cp1251, "CP1251", "UTF-8");
}
std::string Cp1251ToCp866(std::string_view cp1251) {
    return Convert(cp1251, "CP1251", "CP866");
}

std::string Cp866ToUtf8(std::string_view cp866) {
    return Convert(cp866, "CP866", "UTF-8");
}

}  // namespace nevalorum
