#pragma once
// The viewer windows: an HTML page in an embedded browser, with a button that
// prints it and one that closes the window. The month viewer (TForm2) shows a
// month page of the last run, the introduction viewer (TForm22) the page
// "Зачем это мне?"; help pages are shown in a viewer too.

#include <QDialog>
#include <QString>

class QFrame;
class QPrinter;
class QPushButton;
class QWebEngineView;

namespace nevalorum {

class ReportViewer : public QDialog {
    Q_OBJECT

  public:
    // wideWidth: the window's width on a screen wider than 800 pixels.
    ReportViewer(QWidget* parent, const QString& objectName, int wideWidth);

    // Shows the window (modal to its parent) on the page; when the page's file
    // does not exist the window keeps the page it showed before.
    void ShowPage(const QString& path);

    // Prints the shown page on the printer: a PDF file through the browser's
    // own PDF output, which keeps the text; any other printer page by page.
    void PrintPage(QPrinter* printer);

    QWebEngineView* Browser() const { return WebBrowser1; }

  signals:
    // The page went to the PDF file or the printer; false when that failed.
    void PrintFinished(bool success);

  private:
    void BitBtn1Click();

    QFrame* Panel1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QWebEngineView* WebBrowser1;
};

// The month viewer: 950 pixels wide on screens wider than 800.
class TForm2 : public ReportViewer {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent) : ReportViewer(parent, "Form2", 950) {}
};

// The introduction viewer: 1100 pixels wide on screens wider than 800.
class TForm22 : public ReportViewer {
    Q_OBJECT
  public:
    explicit TForm22(QWidget* parent) : ReportViewer(parent, "Form22", 1100) {}
};

// The window's size for a screen: the wide width on screens wider than 800
// pixels (else 770), the screen's height less 80.
QSize ViewerSize(QSize screen, int wideWidth);

}  // namespace nevalorum
