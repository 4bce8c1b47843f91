// nevalorum-pelinor: the desktop program.

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>

#include "app/gui/error_box.h"
#include "app/gui/program.h"
#include "app/working_folder.h"

int main(int argc, char** argv) {
    nevalorum::PrepareApplication();
    QApplication application(argc, argv);
    application.setApplicationName("Nevalorum Pelinor");
    application.setDesktopFileName("nevalorum-pelinor");
    for (const QString& missing : nevalorum::InstallRussianTranslations(application)) {
        // The program works on; the toolkit's dialogs then speak English.
        std::fprintf(stderr, "nevalorum-pelinor: no translation %s\n", qPrintable(missing));
    }

    std::string workingFolder;
    try {
        // The current folder when it is a working folder, else the user's own.
        workingFolder = nevalorum::ChooseWorkingFolder(
            QDir::currentPath().toStdString(),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
                "/nevalorum-pelinor",
            nevalorum::InstalledDataFolder());
    } catch (const std::exception& error) {
        nevalorum::ShowErrorBox(nullptr, QString::fromUtf8(error.what()));
        return 1;
    }
    const nevalorum::Folders folders = nevalorum::Folders::ForWorkingFolder(workingFolder);

    nevalorum::TZNevalorumPelinorForm mainWindow(folders, [] { return QDate::currentDate(); });
    nevalorum::CreateSecondaryWindows(mainWindow);
    mainWindow.show();
    return application.exec();
}
