#include "common/messages.h"

#include <libintl.h>

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace nevalorum {

namespace {

// Whether this program opened the tool's catalogue by making it its text
// domain; textdomain(nullptr) asks without changing it.
bool CatalogueOpen() {
    return std::strcmp(textdomain(nullptr), MessageDomain) == 0;
}

// With the tool's catalogue open, the user's locale (the messages' language,
// and the characters gettext converts to) is taken at the first message, so
// that a command that says nothing loads no locale.
void TakeLocaleForMessages() {
    static std::once_flag localeTaken;
    std::call_once(localeTaken, [] {
        std::setlocale(LC_CTYPE, "");
        std::setlocale(LC_MESSAGES, "");
    });
}

const char* Catalogued(const char* id) {
    TakeLocaleForMessages();
    return dgettext(MessageDomain, id);
}

}  // namespace

const char* Translate(const char* id) {
    // The empty id would give the catalogue's header.
    return CatalogueOpen() && *id != '\0' ? Catalogued(id) : id;
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

std::string SystemReason(int errorNumber) {
    if (CatalogueOpen()) {
        TakeLocaleForMessages();
    }
    return std::strerror(errorNumber);
}

const char* Wording(const SharedMessage& message) {
    return CatalogueOpen() ? Catalogued(message.Id) : message.Russian;
}

}  // namespace nevalorum
