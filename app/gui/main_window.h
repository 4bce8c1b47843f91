#pragma once
// The main window: the name and the birth date, one button per topic, the six
// month buttons of the last run, the introduction, the About box and help.

#include <QDate>
#include <QMainWindow>
#include <array>
#include <functional>

#include "app/forecast_run.h"
#include "common/folders.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace nevalorum {

class ReportViewer;
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

    // clock gives today's date; errors go to a message box unless presenter is set.
    TZNevalorumPelinorForm(const Folders& folders, Clock clock);

    void SetWindows(const SecondaryWindows& windows) { windows_ = windows; }
    void SetErrorPresenter(ErrorPresenter presenter) { presentError_ = std::move(presenter); }
    const RunState& State() const { return state_; }
    // Whether the setup that runs after the window is first shown has run.
    bool SetupDone() const { return setupRan_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void CreateControls();
    void CreateMenu();
    void MainWindowSetup();
    void LoadBackground();
    void DrawFieldLabels(QPixmap& picture) const;
    void ReadSettings();
    void SetDateFieldsToToday();

    void TopicCommand(int topic);
    void RunAndArchive();
    void MonthCommand(int button);
    void OpenHelpTopic(int number);
    void ShowError(const QString& message);

    Folders folders_;
    Clock clock_;
    ErrorPresenter presentError_;
    SecondaryWindows windows_;
    RunState state_;
    ForecastCaches caches_;
    QString selectedPage_;
    bool setupDone_ = false;  // scheduled
    bool setupRan_ = false;
    bool busy_ = false;

    QLabel* Image1;
    QLabel* Image2;
    QLineEdit* Edit1;
    QSpinBox* SpinEdit1;
    QSpinBox* SpinEdit2;
    QSpinBox* SpinEdit3;
    QPushButton* Button14;
    QPushButton* BitBtn1;
    std::array<QPushButton*, 7> monthButtons_{};  // Button1 to Button6 at 1 to 6
    QProgressBar* archiveProgress_;
};

// The caption after a topic command, as " Nevalorum Pelinor        Иван   5.3.1990     Любовный
// гороскоп".
QString TopicCaption(const RunState& state);

}  // namespace nevalorum
