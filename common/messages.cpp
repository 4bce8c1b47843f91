#include "common/messages.h"

#include <libintl.h>

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace nevalorum {

namespace {

// The folder of the tool's catalogue, for a program that asked for it.
std::string (*catalogueFolder)() = nullptr;

// Whether the program speaks through the tool's catalogue.
bool UsesCatalogue() {
    return catalogueFolder != nullptr;
}

// The catalogue and the user's locale (the messages' language, and the
// characters gettext converts to), taken at the first message, so that a
// command that says nothing spends no time on them. Should gettext fail to
// take the domain, which only a lack of memory makes it do, the messages stay
// the English ids.
void OpenCatalogue() {
    static std::once_flag opened;
    std::call_once(opened, [] {
        std::setlocale(LC_CTYPE, "");
        std::setlocale(LC_MESSAGES, "");
        if (bindtextdomain(MessageDomain, catalogueFolder().c_str()) != nullptr) {
            textdomain(MessageDomain);
        }
    });
}

const char* Catalogued(const char* id) {
    OpenCatalogue();
    return dgettext(MessageDomain, id);
}

}  // namespace

void UseMessageCatalogue(std::string (*folder)()) {
    catalogueFolder = folder;
}

const char* Translate(const char* id) {
    // The empty id would give the catalogue's header.
    return UsesCatalogue() && *id != '\0' ? Catalogued(id) : id;
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
    if (UsesCatalogue()) {
        OpenCatalogue();  // the locale of the messages, for the system's words too
    }
    return std::strerror(errorNumber);
}

const char* Wording(const SharedMessage& message) {
    return UsesCatalogue() ? Catalogued(message.Id) : message.Russian;
}

}  // namespace nevalorum
