// nevalorum-pelinor: the desktop program.

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>

#include "app/cli/command_line.h"
#include "app/folder_lock.h"
#include "app/gui/error_box.h"
#include "app/gui/forecast_pdf.h"
#include "app/gui/program.h"
#include "app/working_folder.h"

namespace {

constexpr const char* Usage =
    "Usage: nevalorum-pelinor [QT-OPTION...]\n"
    "       nevalorum-pelinor --export-pdf FILE [--workdir DIR] [--from MONTH] [--daily]\n"
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
    "  --export-pdf FILE  write the forecast of DIR/Output/ from MONTH (M.YYYY or\n"
    "                     YYYY-MM; default: this month) as one PDF file, without a\n"
    "                     window, and exit: a title page, then per month its chart,\n"
    "                     its best and worst days and each influence once with its\n"
    "                     dates\n"
    "  --daily            with --export-pdf: the six month pages day by day instead\n"
    "  --workdir DIR      the working folder of --export-pdf (default: the current\n"
    "                     folder)\n"
    "  --from MONTH       the first month of --export-pdf\n"
    "  -h, --help         print this help and exit\n"
    "  --version          print the version and exit\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are understood as well.\n";

// The six month pages of a working folder as one PDF, rendered without a window.
const std::set<std::string> ValueOptions = {"--export-pdf", "--workdir", "--from"};

int ExportPdf(int argc, char** argv, const std::vector<std::string>& arguments) {
    const nevalorum::ParsedOptions options =
        nevalorum::ParseOptions(arguments, ValueOptions, {"--daily"});
    // The page is drawn on the offscreen platform, which needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    nevalorum::PrepareApplication();
    QApplication application(argc, argv);
    nevalorum::InstallRussianTranslations(application);
    const QDate today = QDate::currentDate();
    const nevalorum::CalendarMonth from =
        options.Has("--from")
            ? nevalorum::ParseMonth(options.Values.at("--from"))
            : nevalorum::CalendarMonth{.Year = today.year(), .Month = today.month()};
    const nevalorum::Folders folders =
        nevalorum::Folders::ForWorkingFolder(options.ValueOr("--workdir", "."));
    // No run rewrites the pages while they are read.
    const nevalorum::FolderLock lock(folders);
    const nevalorum::ForecastPages pages = nevalorum::FindForecastPages(folders, from);
    if (options.Flag("--daily")) {
        nevalorum::ExportForecastPdf(pages, options.Required("--export-pdf"));
    } else {
        nevalorum::ForecastCaches caches;
        nevalorum::ExportPeriodsPdf(pages.Subject, folders, caches,
                                    options.Required("--export-pdf"));
    }
    std::printf("%s\n", options.Required("--export-pdf").c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Answered before the application starts, so that they need no display.
    switch (nevalorum::FindInfoRequest(arguments, ValueOptions)) {
        case nevalorum::InfoRequest::Help:
            std::fputs(Usage, stdout);
            return 0;
        case nevalorum::InfoRequest::Version:
            std::fputs("nevalorum-pelinor (Nevalorum Pelinor) " NEVALORUM_VERSION "\n", stdout);
            return 0;
        case nevalorum::InfoRequest::None:
            break;
    }
    if (std::find(arguments.begin(), arguments.end(), "--export-pdf") != arguments.end()) {
        try {
            return ExportPdf(argc, argv, arguments);
        } catch (const nevalorum::UsageError& error) {
            std::fprintf(stderr, "%s\n\n%s", error.what(), Usage);
            return 2;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    }

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
