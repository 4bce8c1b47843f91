#include "app/cli/message_catalogue.h"

#include <libintl.h>

#include <clocale>

#include "app/working_folder.h"
#include "common/errors.h"
#include "common/messages.h"

namespace nevalorum {

void OpenMessageCatalogue() {
    // The characters (for gettext's conversion) and the messages' language
    // follow the locale; a locale that is not installed leaves the C locale,
    // whose messages are the English ids.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    if (bindtextdomain(MessageDomain, InstalledCatalogueFolder().c_str()) == nullptr ||
        textdomain(MessageDomain) == nullptr) {
        throw Error("Cannot open the message catalogue");
    }
}

}  // namespace nevalorum
