#pragma once
// The main window: the name and the birth date, one button per topic, the six
// month buttons of the last run, the introduction, the About box and help.

#include <QDate>
#include <QMainWindow>
#include <array>
#include <functional>
#include <optional>

#include "app/forecast_run.h"
#include "common/files.h"
#include "common/folders.h"
#include "report/period_words.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace nevalorum {

class BackgroundPicture;
class ReportViewer;
class SpinField;
class TAbout_Form;

// The windows the main window opens, created after it.
struct SecondaryWindows {
    TAbout_Form* About = nullptr;
    ReportViewer* Introduction = nullptr;  // TForm22
    ReportViewer* Month = nullptr;         // TForm2
    ReportViewer* Help = nullptr;
};

class TZNevalorumPelinorForm : public QMainWindow {
    Q_OBJECT

  public:
    using Clock = std::function<QDate()>;
    using ErrorPresenter = std::function<void(const QString&)>;
    // Where to save a file, and for the PDF whether day by day rather than as
    // periods; an empty path cancels.
    struct SaveChoice {
        SaveChoice(QString path, bool daily = false) : Path(std::move(path)), Daily(daily) {}
        QString Path;
        bool Daily;
    };
    // Asks where to save a file, proposing a path.
    using SavePathChooser = std::function<SaveChoice(const QString& proposed)>;

    // clock gives today's date; errors go to a message box over the window
    // unless a presenter is set.
    TZNevalorumPelinorForm(const Folders& folders, Clock clock);

    void SetWindows(const SecondaryWindows& windows);
    void SetErrorPresenter(ErrorPresenter presenter) { presentError_ = std::move(presenter); }
    // The save dialog of the PDF command, unless a chooser is set.
    void SetSavePathChooser(SavePathChooser chooser) { choosePath_ = std::move(chooser); }
    // The pages' font size: read from the settings, set to 1 by every topic command.
    int FontSizeSetting() const { return fontSizeSetting_; }
    // Whether the setup that runs when the window is first shown is done, its
    // errors shown, and the viewers made ready.
    bool SetupDone() const { return setupDone_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void CreateMenu();
    void CreateShortcuts();
    void MainWindowSetup();
    void AfterFirstPaint();
    void PrepareViewers();
    QPixmap LoadBackground() const;
    void ReadSettings();
    void SetDateFieldsToToday();

    void TopicCommand(int topic);
    void RunAndArchive(const ForecastRequest& request);
    void MonthCommand(int button);
    // Loads the pages of the month buttons from firstButton on ahead, as many
    // as the month viewer keeps ready: after a run from the first, after a
    // month was shown from the one after it, the order a person reads in.
    void PreloadMonths(int firstButton);
    void OpenHelpTopic(int number);
    void SaveForecastPdf();
    void SaveForecastCalendar();
    // The run's subject: the person, the birth date, the topic and the first month.
    ForecastSubject RunSubject() const;
    // Shows what the PDF command does in the window, the file's path beside.
    void ShowNotice(const QString& text, const QString& path);
    void ShowError(const QString& message);

    Folders folders_;
    Clock clock_;
    ErrorPresenter presentError_;
    SavePathChooser choosePath_;
    SecondaryWindows windows_;
    int fontSizeSetting_ = 1;
    // The last run that wrote a month: its first month, the page of each
    // calendar month (MonthPagePaths, 1 to 12) and the month of each button
    // (ButtonMonths, 1 to 6).
    ForecastRequest lastRequest_;
    CalendarMonth start_;
    std::array<std::string, 13> monthPagePaths_;
    std::array<int, 7> buttonMonths_{};
    ForecastCaches caches_;
    QString selectedPage_;
    // The stamps of the pages as this window's last run wrote them, by month button.
    std::array<std::optional<FileStamp>, 7> runPageStamps_;
    int shownMonthButton_ = 0;  // the month button whose page was shown last
    bool setupRan_ = false;
    bool painted_ = false;
    bool viewersPrepared_ = false;
    bool setupDone_ = false;
    bool busy_ = false;
    // Errors of the setup, shown once the window is on the screen.
    QStringList setupErrors_;

    BackgroundPicture* Image1;
    QLabel* Image2;
    QLineEdit* Edit1;
    SpinField* SpinEdit1;
    SpinField* SpinEdit2;
    SpinField* SpinEdit3;
    QPushButton* Button14;
    QPushButton* BitBtn1;
    std::array<QPushButton*, 7> monthButtons_{};  // Button1 to Button6 at 1 to 6
    QProgressBar* archiveProgress_;
    QLabel* saveNotice_;
    QAction* savePdf_ = nullptr;       // enabled once a run has written its six pages
    QAction* saveCalendar_ = nullptr;  // likewise
};

// The folder the PDF command's dialog opens in: the documents folder the
// desktop names when it exists, else the home folder.
QString PdfSaveFolder();

// The caption after a topic command, as " Nevalorum Pelinor        Иван   5.3.1990     Любовный
// гороскоп".
QString TopicCaption(const ForecastRequest& request);

}  // namespace nevalorum
