#include "common/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "common/errors.h"
#include "common/messages.h"

namespace nevalorum {
namespace {

const char* IconvName(CodePage page) {
    switch (page) {
        case CodePage::Utf8:
            return "UTF-8";
        case CodePage::Windows1251:
            return "CP1251";
        case CodePage::Cp866:
            return "CP866";
    }
    return "";
}

// One iconv conversion descriptor.
class Iconv {
  public:
    Iconv(CodePage from, CodePage to) : handle_(iconv_open(IconvName(to), IconvName(from))) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            throw Error(std::string("No conversion from ") + IconvName(from) + " to " +
                        IconvName(to) + ": " + SystemReason(errno));
        }
    }
    ~Iconv() { iconv_close(handle_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts as much of in as fits into out; the return value is iconv's.
    std::size_t Step(std::string_view& in, char*& out, std::size_t& outLeft) {
        char* next = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        const std::size_t result = iconv(handle_, &next, &inLeft, &out, &outLeft);
        in.remove_prefix(in.size() - inLeft);
        return result;
    }

    // Back to the initial state, for a conversion of another text.
    void Reset() { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t handle_;
};

constexpr std::size_t CodePageCount = 3;

// The descriptor from one code page to another, opened once by each thread
// that converts (a page converts a hundred lines) and reset for each text.
Iconv& ConverterFor(CodePage from, CodePage to) {
    thread_local std::unique_ptr<Iconv> converters[CodePageCount][CodePageCount];
    std::unique_ptr<Iconv>& converter =
        converters[static_cast<std::size_t>(from)][static_cast<std::size_t>(to)];
    if (converter == nullptr) {
        converter = std::make_unique<Iconv>(from, to);
    }
    converter->Reset();
    return *converter;
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

std::optional<char32_t> DecodeUtf8At(std::string_view text, std::size_t& offset) {
    if (offset >= text.size()) {
        return std::nullopt;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        ++offset;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1Fu, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0Fu, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07u, smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (offset + length > text.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            return std::nullopt;
        }
        value = (value << 6) | (byte(i) & 0x3Fu);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    offset += length;
    return value;
}

std::optional<std::string> ConvertText(std::string_view text, CodePage from, CodePage to,
                                       Unmappable unmappable) {
    Iconv& converter = ConverterFor(from, to);
    std::string result(text.size() * 2 + 16, '\0');
    std::size_t used = 0;
    std::string_view rest = text;
    while (true) {
        char* out = result.data() + used;
        std::size_t outLeft = result.size() - used;
        const std::size_t status = converter.Step(rest, out, outLeft);
        used = result.size() - outLeft;
        if (status != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            result.resize(result.size() * 2);
            continue;
        }
        // EILSEQ: a character the target lacks, or a sequence the source does not
        // allow; EINVAL: a sequence cut short at the end.
        if (errno != EILSEQ || from != CodePage::Utf8 ||
            unmappable != Unmappable::CharacterReference) {
            return std::nullopt;
        }
        std::size_t offset = 0;
        const std::optional<char32_t> character = DecodeUtf8At(rest, offset);
        if (!character) {
            return std::nullopt;
        }
        const std::string reference =
            "&#" + std::to_string(static_cast<std::uint32_t>(*character)) + ";";
        result.resize(used);
        result += reference;
        used = result.size();
        result.resize(used + rest.size() * 2 + 16);
        rest.remove_prefix(offset);
    }
    result.resize(used);
    return result;
}

std::string EncodeUtf8(char32_t c) {
    const auto byte = [](std::uint32_t value) { return static_cast<char>(value); };
    if (c < 0x80) {
        return std::string(1, byte(c));
    }
    if (c < 0x800) {
        return {byte(0xC0 | (c >> 6)), byte(0x80 | (c & 0x3F))};
    }
    if (c < 0x10000) {
        return {byte(0xE0 | (c >> 12)), byte(0x80 | ((c >> 6) & 0x3F)), byte(0x80 | (c & 0x3F))};
    }
    return {byte(0xF0 | (c >> 18)), byte(0x80 | ((c >> 12) & 0x3F)), byte(0x80 | ((c >> 6) & 0x3F)),
            byte(0x80 | (c & 0x3F))};
}

bool IsWindows1251Text(std::string_view bytes) {
    // 0x98 is the one byte Windows-1251 leaves undefined.
    if (bytes.find('\x98') != std::string_view::npos) {
        return false;
    }
    bool beyondAscii = false;
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::optional<char32_t> character = DecodeUtf8At(bytes, offset);
        if (!character) {
            return true;
        }
        beyondAscii = beyondAscii || *character >= 0x80;
    }
    return !beyondAscii;
}

InputOutputError NotWindows1251Error(const std::string& path) {
    static constexpr SharedMessage NotWindows1251{
        .Id = MessageId("The file %s is not text in the Windows-1251 code page (it may have been "
                        "saved in UTF-8): save it in Windows-1251."),
        .Russian =
            "Файл %s — не текст в кодировке Windows-1251 (возможно, он сохранён в UTF-8): "
            "сохраните его в кодировке Windows-1251."};
    return InputOutputError(Format(Wording(NotWindows1251), path.c_str()));
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::optional<std::string> converted = ConvertText(utf8, CodePage::Utf8, CodePage::Windows1251);
    if (!converted) {
        throw Error("The text '" + std::string(utf8) + "' cannot be converted to Windows-1251");
    }
    return std::move(*converted);
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::optional<std::string> converted =
        ConvertText(cp1251, CodePage::Windows1251, CodePage::Utf8);
    if (!converted) {
        throw Error("The text '" + std::string(cp1251) + "' is not Windows-1251 text");
    }
    return std::move(*converted);
}

}  // namespace nevalorum
