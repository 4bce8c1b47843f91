#include "app/gui/program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QTranslator>

#include "app/gui/about_form.h"
#include "app/gui/report_viewer.h"

namespace nevalorum {

void PrepareApplication() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // The pages, all local files, share one renderer process: the month
    // viewer keeps pages loaded ahead, which would otherwise start a renderer
    // each. The web engine reads its switches from this variable when the
    // application starts; switches already in it are kept.
    constexpr char Switches[] = "QTWEBENGINE_CHROMIUM_FLAGS";
    constexpr char ProcessPerSite[] = "--process-per-site";
    const QByteArray switches = qgetenv(Switches);
    if (!switches.split(' ').contains(ProcessPerSite)) {
        qputenv(Switches, (switches + " " + ProcessPerSite).trimmed());
    }
    // The pages' headings, paragraphs and pictures reach a screen reader: the
    // web engine keeps its accessibility off on Linux unless told otherwise.
    constexpr char Accessibility[] = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";
    if (!qEnvironmentVariableIsSet(Accessibility)) {
        qputenv(Accessibility, "1");
    }
    // The web engine lists its settings on standard error at every start;
    // QT_LOGGING_RULES still brings them back.
    QLoggingCategory::setFilterRules("qt.webenginecontext.info=false");
}

QStringList InstallRussianTranslations(QApplication& application) {
    // The web engine takes its language from the default locale when it starts.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QStringList missing;
    for (const char* name : {"qtbase_ru", "qtwebengine_ru"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(name, folder)) {
            QCoreApplication::installTranslator(translator);
        } else {
            missing.append(folder + "/" + name + ".qm");
            delete translator;
        }
    }
    return missing;
}

SecondaryWindows CreateSecondaryWindows(TZNevalorumPelinorForm& mainWindow) {
    SecondaryWindows windows;
    windows.About = new TAbout_Form(&mainWindow);
    windows.Introduction = new TForm22(&mainWindow);
    windows.Month = new TForm2(&mainWindow);
    windows.Help = new ReportViewer(&mainWindow, "HelpViewer", 950, "Помощь");
    windows.Help->setWindowTitle(" Помощь");
    mainWindow.SetWindows(windows);
    return windows;
}

}  // namespace nevalorum
