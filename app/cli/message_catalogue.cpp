#include "app/cli/message_catalogue.h"

#include <libintl.h>

#include "app/working_folder.h"
#include "common/errors.h"
#include "common/messages.h"

namespace nevalorum {

void OpenMessageCatalogue() {
    // The characters (for gettext's conversion) and the messages' language
    // follow the locale, taken at the first message; a locale that is not
    // installed leaves the C locale, whose messages are the English ids.
    if (bindtextdomain(MessageDomain, InstalledCatalogueFolder().c_str()) == nullptr ||
        textdomain(MessageDomain) == nullptr) {
        throw Error("Cannot open the message catalogue");
    }
}

}  // namespace nevalorum
