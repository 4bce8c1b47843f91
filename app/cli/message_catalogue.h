#pragma once
// The command-line tool's words in the user's language.

namespace nevalorum {

// Makes the tool's catalogue the program's text domain, so that its messages
// and the refusals it shares with the window follow the locale (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG); numbers keep the decimal point of the C locale.
// The catalogue is the installed one beside the program's bin/ folder, or the
// build's. Throws Error when gettext cannot take the domain.
void OpenMessageCatalogue();

}  // namespace nevalorum
