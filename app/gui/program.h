#pragma once
// The start of the desktop program, shared by its main, its tests and its
// benchmark: how the application is set up, its Russian translations of the
// toolkit and the web engine, and its windows in the order it creates them.

#include "app/gui/main_window.h"

class QApplication;

namespace nevalorum {

// Settings that must be made before the QApplication exists: the web engine's
// shared graphics contexts, the pages drawn by the processor (a page of text
// and two small pictures: the graphics card would add a costly set-up to every
// showing of a viewer and nothing a person can see), one renderer process
// for all pages, the pages' accessibility, and a quiet start.
void PrepareApplication();

// Russian for the toolkit's own dialogs and menus and for the web engine (its
// menus and its language). Returns the translation files it could not load.
QStringList InstallRussianTranslations(QApplication& application);

// The About box, the introduction viewer, the month viewer and the help
// viewer, created after the main window and handed to it.
SecondaryWindows CreateSecondaryWindows(TZNevalorumPelinorForm& mainWindow);

}  // namespace nevalorum
