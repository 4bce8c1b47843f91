// nevalorum-pelinor: the desktop program.

#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

#include "app/command_line.h"
#include "app/gui/about_form.h"
#include "app/gui/main_window.h"
#include "app/gui/report_viewer.h"
#include "app/working_folder.h"

namespace {

constexpr const char* Usage =
    "Usage: nevalorum-pelinor [QT-OPTION...]\n"
    "       nevalorum-pelinor --help | --version\n"
    "\n"
    "Opens the window of Nevalorum Pelinor, which writes a personal six-month\n"
    "astrological forecast in Russian: type the name and the birth date and press a\n"
    "topic; the six month pages are written into the working folder's Output/ and\n"
    "packed into Output/Horoscop.zip.\n"
    "\n"
    "The working folder is the current folder when it holds System/, else\n"
    "$XDG_DATA_HOME/nevalorum-pelinor (~/.local/share/nevalorum-pelinor), laid out\n"
    "from the installed data where anything is missing.\n"
    "\n"
    "Options:\n"
    "  -h, --help         print this help and exit\n"
    "  --version          print the version and exit\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are understood as well.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application starts, so that they need no display.
    switch (nevalorum::FindInfoRequest(std::vector<std::string>(argv + 1, argv + argc))) {
        case nevalorum::InfoRequest::Help:
            std::fputs(Usage, stdout);
            return 0;
        case nevalorum::InfoRequest::Version:
            std::fputs("nevalorum-pelinor (Nevalorum Pelinor) " NEVALORUM_VERSION "\n", stdout);
            return 0;
        case nevalorum::InfoRequest::None:
            break;
    }

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
