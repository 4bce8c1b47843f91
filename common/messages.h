#pragma once
// The words a person reads, in the language of the program that shows them.
// The command-line tool speaks the user's language: its texts are English
// message ids, translated by gettext from the tool's catalogue. The window
// speaks Russian whatever the locale, so a refusal it shares with the tool
// carries its Russian wording beside the id.

#include <string>

namespace nevalorum {

// The gettext domain of the tool's catalogue: LANG/LC_MESSAGES/nevalorum-forecast.mo.
inline constexpr const char* MessageDomain = "nevalorum-forecast";

// Makes the tool's catalogue, in the folder that folder gives, the source of
// Translate and Wording, so that its messages and the refusals it shares with
// the window follow the user's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG);
// numbers keep the decimal point of the C locale. The catalogue and the
// locale are opened at the first message.
void UseMessageCatalogue(std::string (*folder)());

// The id's translation in the tool's catalogue for the user's locale, or the
// English id itself where there is none or the program uses no catalogue.
const char* Translate(const char* id) __attribute__((format_arg(1)));

// Marks a text as a message id where it is kept untranslated and handed to
// Translate later (the usage texts held as constants).
constexpr const char* MessageId(const char* id) {
    return id;
}

// The printf-style pattern filled in: Format(Translate("'%s' is not a month"), text).
std::string Format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// The system's reason for an error number (strerror), in the language of the
// program's messages.
std::string SystemReason(int errorNumber);

// A refusal that the window and the tool both give.
struct SharedMessage {
    const char* Id;       // English, the catalogue's message id
    const char* Russian;  // the window's wording, the catalogue's Russian translation
};

// The shared message's pattern as this program speaks it: translated from the
// catalogue when the program uses the tool's catalogue (the tool), else the
// window's Russian.
const char* Wording(const SharedMessage& message);

}  // namespace nevalorum
