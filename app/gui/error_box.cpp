#include "app/gui/error_box.h"

#include <QMessageBox>

namespace nevalorum {

void ShowErrorBox(QWidget* over, const QString& message) {
    // A dialog with a parent opens centred over the parent's window.
    QMessageBox box(QMessageBox::Critical, "Nevalorum Pelinor", message, QMessageBox::Ok,
                    over != nullptr ? over->window() : nullptr);
    box.exec();
}

}  // namespace nevalorum
