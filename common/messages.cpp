#include "common/messages.h"

#include <libintl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace nevalorum {

namespace {

// Whether this program opened the tool's catalogue by making it its text
// domain; textdomain(nullptr) asks without changing it.
bool CatalogueOpen() {
    return std::strcmp(textdomain(nullptr), MessageDomain) == 0;
}

}  // namespace

const char* Translate(const char* id) {
    // The empty id would give the catalogue's header.
    return CatalogueOpen() && *id != '\0' ? dgettext(MessageDomain, id) : id;
}

std::string Format(const char* pattern, ...) {
    std::va_list arguments;
    va_start(arguments, pattern);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, pattern, arguments);
    va_end(arguments);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) {
        std::vsnprintf(text.data(), text.size() + 1, pattern, again);
    }
    va_end(again);
    return text;
}

const char* Wording(const SharedMessage& message) {
    return CatalogueOpen() ? dgettext(MessageDomain, message.Id) : message.Russian;
}

}  // namespace nevalorum
