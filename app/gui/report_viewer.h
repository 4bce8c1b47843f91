#pragma once
// The viewer windows: an HTML page in an embedded browser, with a button that
// prints it and one that closes the window. The month viewer (TForm2) shows a
// month page of the last run, the introduction viewer (TForm22) the page
// "Зачем это мне?"; help pages are shown in a viewer too.
//
// Keys: Ctrl+P prints, Esc closes, Alt+Left and Alt+Right go back and forward,
// Enter presses the focused button; they work wherever the focus is, the page
// included. A link to a page that does not exist leaves the viewer on its page
// and says so.

#include <QDialog>
#include <QMargins>
#include <QPrinter>
#include <QRect>
#include <QString>
#include <QUrl>
#include <memory>
#include <vector>

class QFrame;
class QMenu;
class QPushButton;
class QWebEnginePage;
class QWebEngineView;

namespace nevalorum {

class ReportViewer : public QDialog {
    Q_OBJECT

  public:
    // wideWidth: the window's width on a screen wider than 800 pixels;
    // pageName: what a screen reader calls the page.
    ReportViewer(QWidget* parent, const QString& objectName, int wideWidth,
                 const QString& pageName);

    // Makes the browser ready to show a page at once: its page in the web
    // engine's profile, a renderer started on an empty page, the window's
    // native parts created. The main window calls it once it is on the
    // screen; ShowPage calls it when it has not run yet.
    void Prepare();

    // Shows the window (modal to its parent) on the page; when the page's file
    // does not exist the window keeps the page it showed before. subject: what
    // a screen reader calls the window beside the month of a month page
    // ("Любовный гороскоп, Иван"); empty for a page of no month.
    void ShowPage(const QString& path, const QString& subject = {});

    // Loads the pages ahead while the window is hidden, each into a browser
    // page of its own, one after the other in the order given, so that a
    // ShowPage of any of them shows it at once: the main window calls it for
    // the months a person is likely to open next, and for one page when the
    // pointer or the keyboard's focus reaches a month button. A file whose
    // page is ready as the file now is, or that does not exist, is skipped.
    // At most ReadyPageLimit pages are kept ready; a page is shown once and
    // then given up, so that the web engine holds few documents.
    void Preload(const QStringList& paths);
    static constexpr int ReadyPageLimit = 2;
    // Whether pages given to Preload wait for their load or are loading.
    bool LoadingAhead() const;

    // Prints the shown page on the printer, which the print keeps until it is
    // done: a PDF file through the browser's own PDF output, which keeps the
    // text, written into place whole or not at all; any other printer page by
    // page, one print at a time. A failure is shown in a message box.
    void PrintPage(std::unique_ptr<QPrinter> printer);

    // The menu of the page's context: back, forward, reload, copy, select all
    // and print.
    QMenu* CreateContextMenu();

    // The browser, made ready.
    QWebEngineView* Browser();

  signals:
    // The page went to the PDF file or the printer; false when that failed.
    void PrintFinished(bool success);
    // Prepare has made the browser ready: its renderer has shown the empty page.
    void Ready();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // A browser page loaded ahead, or waiting for its load, from a file as
    // it was (its stamp).
    struct ReadyPage {
        QWebEnginePage* Page = nullptr;
        QString Stamp;
        QUrl Url;
        bool Loaded = false;
    };

    QWebEnginePage* CreatePage();
    void LoadNextReadyPage();
    void StopLoadingAhead();
    void BitBtn1Click();
    void ReportMissingPage(const QString& path);
    void ReportPrintFailure(const QString& message);
    void PlaceOnScreen();
    void NameForScreenReader();

    const int wideWidth_;
    bool prepared_ = false;
    QString shownStamp_;                      // of the file the browser's page was loaded from
    std::vector<ReadyPage> ready_;            // in the order they were asked for
    QWebEnginePage* loadingAhead_ = nullptr;  // the ready page loading now
    QMetaObject::Connection loadedAhead_;     // to the end of that load
    QUrl shown_;                              // the page the window showed when it was last closed
    QString subject_;                         // of the page shown, for a screen reader
    const QString pageName_;                  // what a screen reader calls a page of no month
    std::unique_ptr<QPrinter> printer_;       // of the print on paper under way
    QFrame* Panel1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QWebEngineView* WebBrowser1;
};

// The month viewer: 950 pixels wide on screens wider than 800.
class TForm2 : public ReportViewer {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent) : ReportViewer(parent, "Form2", 950, "Прогноз на месяц") {}
};

// The introduction viewer: 1100 pixels wide on screens wider than 800.
class TForm22 : public ReportViewer {
    Q_OBJECT
  public:
    explicit TForm22(QWidget* parent) : ReportViewer(parent, "Form22", 1100, "Зачем это мне?") {}
};

// Keeps the web engine's hidden drawing windows out of the list of the
// program's windows that a screen reader reads.
void HideHelperWindows();

// What a screen reader hears of the pictures of a page: each strength mark
// with its meaning ("благоприятно, сила 3"), the month's chart with its month
// and its best and worst days. A script run on each page as it is loaded.
QString PictureTextsScript();

// The window's size for a screen: the wide width on screens wider than 800
// pixels (else 770), the screen's height less 80.
QSize ViewerSize(QSize screen, int wideWidth);

// The window's place (without its frame) on a screen: the size above, no
// larger than the screen's available area less the frame, centred in it.
QRect ViewerPlace(QSize screen, const QRect& available, const QMargins& frame, int wideWidth);

}  // namespace nevalorum
