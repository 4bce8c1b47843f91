// nevalorum-pelinor: the desktop program.

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

#include "app/gui/about_form.h"
#include "app/gui/main_window.h"
#include "app/gui/report_viewer.h"
#include "app/working_folder.h"

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    application.setApplicationName("Nevalorum Pelinor");
    application.setDesktopFileName("nevalorum-pelinor");

    std::string workingFolder;
    try {
        // The current folder when it is a working folder, else the user's own.
        workingFolder = nevalorum::ChooseWorkingFolder(
            QDir::currentPath().toStdString(),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
                "/nevalorum-pelinor",
            nevalorum::InstalledDataFolder());
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Nevalorum Pelinor", QString::fromUtf8(error.what()));
        return 1;
    }
    const nevalorum::Folders folders = nevalorum::Folders::ForWorkingFolder(workingFolder);

    nevalorum::TZNevalorumPelinorForm mainWindow(folders, [] { return QDate::currentDate(); });
    nevalorum::SecondaryWindows windows;
    windows.About = new nevalorum::TAbout_Form(&mainWindow);
    windows.Introduction = new nevalorum::TForm22(&mainWindow);
    windows.Month = new nevalorum::TForm2(&mainWindow);
    windows.Help = new nevalorum::ReportViewer(&mainWindow, "HelpViewer", 950);
    windows.Help->setWindowTitle(" Помощь");
    mainWindow.SetWindows(windows);
    mainWindow.show();
    return application.exec();
}
