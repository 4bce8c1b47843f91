#pragma once
// The message box that shows an error's text to the person.

#include <QString>

class QWidget;

namespace nevalorum {

// Shows the message in a modal box centred over the window it concerns, and
// returns when the person has closed it.
void ShowErrorBox(QWidget* over, const QString& message);

}  // namespace nevalorum
