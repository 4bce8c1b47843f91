#include "app/gui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QValidator>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "app/forecast_periods.h"
#include "app/gui/about_form.h"
#include "app/gui/error_box.h"
#include "app/gui/forecast_pdf.h"
#include "app/gui/report_viewer.h"
#include "app/gui/spin_field.h"
#include "app/gui/window_layout.h"
#include "app/settings.h"
#include "archive/output_archive.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont ControlFont(int pixels) {
    QFont font("Arial");
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

// Restores the cursor however a command ends.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Keeps the window painting while work goes on; input waits until it is done,
// so no second command can start in between.
void LetTheWindowPaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Qt's menu bar takes the keyboard when Alt is pressed and released alone; F10
// hands it the same pair of events. (The event of a modifier key reports the
// modifiers as they are after it: Alt pressed reads as Alt held, Alt released
// as none.)
void OpenMenuBarFromKeyboard(QMainWindow* window) {
    QKeyEvent altPressed(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &altPressed);
    QKeyEvent altReleased(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(window, &altReleased);
}

// Refuses a control character in the name as it is typed or pasted: those
// below U+0020 and U+007F, which the forecast refuses, and U+0080 to U+009F,
// which no page can show.
class NameValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        const bool control = std::any_of(input.begin(), input.end(), [](QChar c) {
            return c.category() == QChar::Other_Control;
        });
        return control ? Invalid : Acceptable;
    }
};

}  // namespace

// The background picture with the field labels: the picture is drawn at the
// window's scale, the labels as text at paint time, so that on a screen of
// twice the pixels they are drawn with twice the pixels, as sharp as the
// controls beside them; at the picture's own scale the window shows the
// picture pixel for pixel.
class BackgroundPicture : public QWidget {
  public:
    explicit BackgroundPicture(QWidget* parent) : QWidget(parent) {}

    void SetPicture(const QPixmap& picture) {
        picture_ = picture;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        // Pixels doubled, not blurred, at a whole ratio; smoothed between.
        const qreal ratio = painter.device()->devicePixelRatioF();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, ratio != std::floor(ratio));
        painter.drawPixmap(rect(), picture_);
        // Regular, whatever the controls' font around the picture.
        QFont font(layout::FieldLabelFont);
        font.setPointSize(layout::FieldLabelPointSize);
        font.setBold(false);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.setBackground(Qt::black);
        painter.setBackgroundMode(Qt::OpaqueMode);
        const QFontMetrics metrics(font);
        for (const layout::FieldLabel& label : layout::FieldLabels) {
            painter.drawText(label.Left, layout::FieldLabelTop + metrics.ascent(),
                             QString::fromUtf8(label.Text));
        }
    }

  private:
    QPixmap picture_;
};

QString TopicCaption(const ForecastRequest& request) {
    return " Nevalorum Pelinor        " + QString::fromStdString(request.PersonName) + "   " +
           QString::number(request.Birth.Day) + "." + QString::number(request.Birth.Month) + "." +
           QString::number(request.Birth.Year) + "     " +
           FromUtf8(WindowTopicTitles[request.Topic]);
}

TZNevalorumPelinorForm::TZNevalorumPelinorForm(const Folders& folders, Clock clock)
    : folders_(folders), clock_(std::move(clock)) {
    setObjectName("ZNevalorumPelinorForm");
    setWindowTitle("  Nevalorum Pelinor");
    // A screen reader hears the caption without its padding.
    setAccessibleName(windowTitle().simplified());
    connect(this, &QWidget::windowTitleChanged, this,
            [this](const QString& title) { setAccessibleName(title.simplified()); });
    // A fixed border with the system menu and the close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(layout::WindowWidth, layout::WindowHeight);
    CreateMenu();
    CreateControls();
    CreateShortcuts();
    // Centred on the screen before it is shown, so that the window manager need
    // not place it and a message at start-up finds it where it will stay.
    const QRect screen = this->screen()->availableGeometry();
    move(screen.center() - rect().center());
}

void TZNevalorumPelinorForm::CreateMenu() {
    QAction* about = menuBar()->addAction(" О программе ");
    about->setObjectName("N7");
    connect(about, &QAction::triggered, this, [this] {
        if (windows_.About != nullptr) {
            windows_.About->open();
        }
    });
    QMenu* help = menuBar()->addMenu("Помощь");
    help->setObjectName("N6");
    QAction* helpItem = help->addAction(" Помощь ");
    helpItem->setObjectName("N9");
    helpItem->setShortcut(Qt::Key_F1);
    connect(helpItem, &QAction::triggered, this, [this] { OpenHelpTopic(10); });
    QMenu* forecast = menuBar()->addMenu("Прогноз");
    forecast->setObjectName("ForecastMenu");
    savePdf_ = forecast->addAction("Сохранить прогноз в PDF…");
    savePdf_->setObjectName("SavePdf");
    savePdf_->setShortcut(QKeySequence::Save);
    savePdf_->setEnabled(false);
    connect(savePdf_, &QAction::triggered, this, &TZNevalorumPelinorForm::SaveForecastPdf);
    saveCalendar_ = forecast->addAction("Сохранить в календарь…");
    saveCalendar_->setObjectName("SaveCalendar");
    saveCalendar_->setEnabled(false);
    connect(saveCalendar_, &QAction::triggered, this,
            &TZNevalorumPelinorForm::SaveForecastCalendar);
    QAction* exit = menuBar()->addAction(" Выход ");
    exit->setObjectName("N3");
    connect(exit, &QAction::triggered, this, &QWidget::close);
    menuBar()->installEventFilter(this);
}

bool TZNevalorumPelinorForm::eventFilter(QObject* watched, QEvent* event) {
    // The pointer or the focus on a month button: its page is loaded ahead
    // into the hidden month viewer, so that the click shows it at once.
    if (event->type() == QEvent::Enter || event->type() == QEvent::FocusIn) {
        for (int k = 1; k <= 6; ++k) {
            if (watched == monthButtons_[k] && monthButtons_[k]->isEnabled() &&
                windows_.Month != nullptr) {
                windows_.Month->Preload(
                    {QString::fromStdString(monthPagePaths_[buttonMonths_[k]])});
            }
        }
    }
    if (watched == archiveProgress_ && event->type() == QEvent::Show) {
        saveNotice_->hide();
    }
    // The menu bar taken by the keyboard (Alt or F10): its item is shown
    // pressed, as when a menu is open, so that the person sees where the
    // keyboard is; Left and Right then open the neighbouring menus.
    if (watched == menuBar() && event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() == Qt::MenuBarFocusReason) {
        const QList<QAction*> actions = menuBar()->actions();
        QAction* current = menuBar()->activeAction();
        menuBar()->setActiveAction(current != nullptr ? current : actions.value(0));
    }
    return QMainWindow::eventFilter(watched, event);
}

void TZNevalorumPelinorForm::CreateControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setFont(ControlFont(15));

    Image1 = new BackgroundPicture(client);
    Image1->setObjectName("Image1");
    Image1->setGeometry(layout::Image1);
    Image2 = new QLabel(client);
    Image2->setObjectName("Image2");
    Image2->setGeometry(layout::Image2);
    Image2->hide();

    const QString fieldStyle = "background-color: rgb(181, 173, 197); color: black;";
    Edit1 = new QLineEdit(client);
    Edit1->setObjectName("Edit1");
    Edit1->setAccessibleName("Имя");
    Edit1->setGeometry(layout::Edit1);
    Edit1->setMaxLength(40);
    Edit1->setValidator(new NameValidator(Edit1));
    Edit1->setStyleSheet(fieldStyle);
    // The design values, shown until the setup puts today's date in.
    const struct {
        SpinField** Field;
        const char* Name;
        const char* AccessibleName;
        QRect Place;
        int Minimum;
        int Maximum;
        int Value;
    } spins[] = {{&SpinEdit1, "SpinEdit1", "День рождения", layout::SpinEdit1, 1, 31, 15},
                 {&SpinEdit2, "SpinEdit2", "Месяц рождения", layout::SpinEdit2, 1, 12, 6},
                 {&SpinEdit3, "SpinEdit3", "Год рождения", layout::SpinEdit3, 1920, 2030, 1980}};
    for (const auto& spin : spins) {
        auto* field = new SpinField(client, spin.Minimum, spin.Maximum);
        field->setObjectName(spin.Name);
        field->setAccessibleName(spin.AccessibleName);
        field->setGeometry(spin.Place);
        field->setStyleSheet(fieldStyle);
        field->SetValue(spin.Value);
        *spin.Field = field;
    }

    for (const layout::TopicButton& topic : layout::TopicButtons) {
        auto* button = new QPushButton(topic.Caption, client);
        button->setObjectName(topic.Name);
        button->setGeometry(topic.Place);
        const int number = topic.Topic;
        connect(button, &QPushButton::clicked, this, [this, number] { TopicCommand(number); });
    }
    Button14 = new QPushButton("Выход", client);
    Button14->setObjectName("Button14");
    Button14->setGeometry(layout::Button14);
    Button14->setStyleSheet("color: teal;");
    connect(Button14, &QPushButton::clicked, this, &QWidget::close);

    BitBtn1 = new QPushButton("Зачем это мне?", client);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(layout::BitBtn1);
    BitBtn1->setFont(ControlFont(16));
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        if (windows_.Introduction != nullptr) {
            windows_.Introduction->ShowPage(
                QString::fromStdString(folders_.ProgramFolder + "Html/index.html"));
        }
    });

    // Placed here, not by the setup, so that they are where they belong
    // whatever the setup meets.
    for (int k = 1; k <= 6; ++k) {
        auto* button = new QPushButton(QString::fromStdString(NeutralButtonCaption(k)), client);
        button->setObjectName("Button" + QString::number(k));
        button->setGeometry(layout::MonthButton(k));
        button->setEnabled(false);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, k] { MonthCommand(k); });
        monthButtons_[k] = button;
    }

    archiveProgress_ = new QProgressBar(client);
    archiveProgress_->setObjectName("ArchiveProgress");
    archiveProgress_->setAccessibleName("Архив");
    archiveProgress_->setGeometry(layout::ArchiveProgress);
    archiveProgress_->setFormat("Архив: %p%");
    archiveProgress_->hide();
    archiveProgress_->installEventFilter(this);

    // Where the PDF command says what it does: saving, then the file saved,
    // until the next run.
    saveNotice_ = new QLabel(client);
    saveNotice_->setObjectName("SaveNotice");
    saveNotice_->setGeometry(layout::ArchiveProgress);
    saveNotice_->setStyleSheet(fieldStyle + " padding-left: 4px;");
    saveNotice_->hide();
}

void TZNevalorumPelinorForm::CreateShortcuts() {
    auto* menuKey = new QShortcut(Qt::Key_F10, this);
    connect(menuKey, &QShortcut::activated, this, [this] { OpenMenuBarFromKeyboard(this); });
}

void TZNevalorumPelinorForm::keyPressEvent(QKeyEvent* event) {
    // Enter or Return presses the focused button, as Space does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button != nullptr && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TZNevalorumPelinorForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Once, when the window is first shown and before it is painted: later
    // activations keep what the person typed and the month buttons of the
    // last run.
    if (!setupRan_) {
        setupRan_ = true;
        MainWindowSetup();
    }
}

void TZNevalorumPelinorForm::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // Each after this paint has reached the screen: the setup's errors after
    // the first paint; the viewers' preparation, which holds the window up
    // for a moment, after the first paint as the active window (the focus
    // shown in the name field), or a little later when the window is not made
    // active.
    if (!painted_) {
        painted_ = true;
        QTimer::singleShot(0, this, &TZNevalorumPelinorForm::AfterFirstPaint);
        QTimer::singleShot(500, this, &TZNevalorumPelinorForm::PrepareViewers);
    }
    if (isActiveWindow() && !viewersPrepared_) {
        QTimer::singleShot(0, this, &TZNevalorumPelinorForm::PrepareViewers);
    }
}

void TZNevalorumPelinorForm::MainWindowSetup() {
    // Each step that can fail is reported, and the steps after it that do not
    // depend on it go on: what a person needs to make and open a forecast is
    // always in place.
    QPixmap picture;
    try {
        picture = LoadBackground();
    } catch (const std::exception& error) {
        setupErrors_.append(QString::fromUtf8(error.what()));
        picture = QPixmap(layout::Image1.size());
        picture.fill(palette().color(QPalette::Window));
    }
    for (int k = 1; k <= 6; ++k) {
        monthButtons_[k]->setEnabled(false);
    }
    Edit1->clear();
    SpinEdit1->SetLimits(1, 31);
    SpinEdit2->SetLimits(1, 12);
    SpinEdit3->SetLimits(1920, 2030);
    Edit1->setFocus();
    Image1->SetPicture(picture);
    try {
        // Today's date only after the settings were read.
        ReadSettings();
        SetDateFieldsToToday();
    } catch (const std::exception& error) {
        setupErrors_.append(QString::fromUtf8(error.what()));
    }
}

void TZNevalorumPelinorForm::AfterFirstPaint() {
    for (const QString& error : std::exchange(setupErrors_, {})) {
        ShowError(error);
    }
    setupDone_ = true;
}

void TZNevalorumPelinorForm::PrepareViewers() {
    if (viewersPrepared_) {
        return;
    }
    viewersPrepared_ = true;
    // The viewers' browsers made ready one after the other, the month viewer
    // first, so that the first page a person opens shows at once and the
    // renderers do not all start together.
    std::vector<ReportViewer*> viewers;
    for (ReportViewer* viewer : {windows_.Month, windows_.Introduction, windows_.Help}) {
        if (viewer != nullptr) {
            viewers.push_back(viewer);
        }
    }
    for (std::size_t i = 1; i < viewers.size(); ++i) {
        connect(viewers[i - 1], &ReportViewer::Ready, viewers[i], &ReportViewer::Prepare,
                Qt::SingleShotConnection);
    }
    if (!viewers.empty()) {
        viewers.front()->Prepare();
    }
}

QPixmap TZNevalorumPelinorForm::LoadBackground() const {
    const std::string path = folders_.SystemFolder + "02.bmp";
    QPixmap picture;
    if (!picture.load(QString::fromStdString(path))) {
        const std::string reason =
            FileExists(path) ? "The file is not a picture it can read" : std::strerror(ENOENT);
        throw InputOutputError("Cannot open file \"" + path + "\". " + reason);
    }
    return picture;
}

void TZNevalorumPelinorForm::ReadSettings() {
    const std::string path = folders_.SystemFolder + "set.dat";
    fontSizeSetting_ = ParseSettings(ReadWholeFile(path), path).FontSizeSetting;
}

void TZNevalorumPelinorForm::SetDateFieldsToToday() {
    const QDate today = clock_();
    // SetValue keeps each field within its limits.
    SpinEdit1->SetValue(today.day());
    SpinEdit2->SetValue(today.month());
    SpinEdit3->SetValue(today.year());
}

void TZNevalorumPelinorForm::TopicCommand(int topic) {
    if (busy_) {
        return;
    }
    try {
        // The rule of leaving a field, also for the field still being typed in
        // when the button is pressed; then a text that is no integer stops the
        // command before anything changes.
        for (SpinField* field : {SpinEdit1, SpinEdit2, SpinEdit3}) {
            field->ApplyLimits();
        }
        fontSizeSetting_ = 1;
        const ForecastRequest request{.PersonName = Edit1->text().toStdString(),
                                      .Birth = {.Day = SpinEdit1->Value(),
                                                .Month = SpinEdit2->Value(),
                                                .Year = SpinEdit3->Value()},
                                      .Topic = topic,
                                      .FontSizeSetting = fontSizeSetting_};
        // A date that does not exist or a name refused stops the command before anything changes.
        CheckForecastRequest(request);
        RunAndArchive(request);
        PreloadMonths(1);
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void TZNevalorumPelinorForm::RunAndArchive(const ForecastRequest& request) {
    busy_ = true;
    const BusyCursor cursor;
    struct Done {
        bool& Busy;
        QProgressBar* Progress;
        ~Done() {
            Busy = false;
            Progress->hide();
        }
    } done{busy_, archiveProgress_};

    // The folder is this window's from the first check to the archive in place.
    const FolderLock lock(folders_);
    // What the window shows of the run before: put back when this run fails
    // before its first month.
    const QString titleBefore = windowTitle();
    std::array<QString, 7> captionsBefore;
    std::array<bool, 7> enabledBefore{};
    for (int k = 1; k <= 6; ++k) {
        captionsBefore[k] = monthButtons_[k]->text();
        enabledBefore[k] = monthButtons_[k]->isEnabled();
    }
    setWindowTitle(TopicCaption(request));
    for (int k = 1; k <= 6; ++k) {
        monthButtons_[k]->setEnabled(false);
        monthButtons_[k]->setText(QString::fromStdString(NeutralButtonCaption(k)));
    }
    LetTheWindowPaint();
    const QDate today = clock_();
    bool monthDone = false;
    try {
        RunForecast(request, lock, {.Year = today.year(), .Month = today.month()}, caches_,
                    [&](const FinishedMonth& month) {
                        if (!monthDone) {
                            monthDone = true;
                            lastRequest_ = request;
                            start_ = {.Year = today.year(), .Month = today.month()};
                        }
                        monthPagePaths_[month.Forecast.Month] = month.PagePath;
                        buttonMonths_[month.Button] = month.Forecast.Month;
                        monthButtons_[month.Button]->setText(QString::fromStdString(month.Caption));
                        monthButtons_[month.Button]->setEnabled(true);
                        runPageStamps_[month.Button] = StampOfExistingFile(month.PagePath);
                        LetTheWindowPaint();
                    });
    } catch (const std::exception&) {
        if (!monthDone) {
            setWindowTitle(titleBefore);
            for (int k = 1; k <= 6; ++k) {
                monthButtons_[k]->setText(captionsBefore[k]);
                monthButtons_[k]->setEnabled(enabledBefore[k]);
            }
        }
        throw;
    }
    savePdf_->setEnabled(true);
    saveCalendar_->setEnabled(true);

    archiveProgress_->setValue(0);
    archiveProgress_->show();
    LetTheWindowPaint();
    ArchiveOutput(folders_, [this](const ArchiveProgress& progress) {
        archiveProgress_->setValue(
            progress.BytesTotal == 0
                ? 100
                : static_cast<int>(100 * progress.BytesWritten / progress.BytesTotal));
        LetTheWindowPaint();
    });
}

void TZNevalorumPelinorForm::SetWindows(const SecondaryWindows& windows) {
    windows_ = windows;
    if (windows_.Month != nullptr) {
        connect(windows_.Month, &QDialog::finished, this,
                [this] { PreloadMonths(shownMonthButton_ + 1); });
    }
}

void TZNevalorumPelinorForm::PreloadMonths(int firstButton) {
    if (windows_.Month == nullptr) {
        return;
    }
    QStringList pages;
    for (int k = firstButton; k <= 6 && pages.size() < ReportViewer::ReadyPageLimit; ++k) {
        if (monthButtons_[k]->isEnabled()) {
            pages.append(QString::fromStdString(monthPagePaths_[buttonMonths_[k]]));
        }
    }
    windows_.Month->Preload(pages);
}

void TZNevalorumPelinorForm::MonthCommand(int button) {
    shownMonthButton_ = button;
    selectedPage_ = QString::fromStdString(monthPagePaths_[buttonMonths_[button]]);
    // A page another run has written since this one shows another forecast
    // than the caption names.
    const std::optional<FileStamp> stamp = StampOfExistingFile(selectedPage_.toStdString());
    if (stamp && stamp != runPageStamps_[button]) {
        ShowError("Страницу месяца «" + monthButtons_[button]->text() +
                  "» с тех пор переписал другой прогноз. Нажмите кнопку темы, чтобы составить "
                  "этот прогноз заново.");
        return;
    }
    if (windows_.Month != nullptr) {
        QString subject = FromUtf8(WindowTopicTitles[lastRequest_.Topic]);
        if (!lastRequest_.PersonName.empty()) {
            subject += ", " + QString::fromStdString(lastRequest_.PersonName);
        }
        windows_.Month->ShowPage(selectedPage_, subject);
    }
}

void TZNevalorumPelinorForm::SaveForecastPdf() {
    if (busy_) {
        return;
    }
    try {
        const ForecastPages pages = FindForecastPages(folders_, start_);
        const QString proposed =
            PdfSaveFolder() + "/" + QString::fromStdString(ProposedPdfName(pages, start_));
        const QString periodsFilter = "Прогноз по периодам, PDF (*.pdf)";
        const QString dailyFilter = "Прогноз по дням, PDF (*.pdf)";
        QString selectedFilter = periodsFilter;
        const SaveChoice choice =
            choosePath_ ? choosePath_(proposed)
                        : SaveChoice(QFileDialog::getSaveFileName(
                                         this, "Сохранить прогноз в PDF", proposed,
                                         periodsFilter + ";;" + dailyFilter, &selectedFilter),
                                     false);
        const bool daily = choosePath_ ? choice.Daily : selectedFilter == dailyFilter;
        QString path = choice.Path;
        if (path.isEmpty()) {
            return;
        }
        if (!path.endsWith(".pdf", Qt::CaseInsensitive)) {
            path += ".pdf";
        }
        busy_ = true;
        const BusyCursor cursor;
        struct Done {
            bool& Busy;
            ~Done() { Busy = false; }
        } done{busy_};
        // No run rewrites the pages while they are read.
        const FolderLock lock(folders_);
        ShowNotice("Сохраняется PDF…", path);
        try {
            if (daily) {
                ExportForecastPdf(FindForecastPages(folders_, start_), path.toStdString());
            } else {
                ExportPeriodsPdf(RunSubject(), folders_, caches_, path.toStdString());
            }
        } catch (...) {
            saveNotice_->hide();
            throw;
        }
        ShowNotice("Сохранено: " + QFileInfo(path).fileName(), path);
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

ForecastSubject TZNevalorumPelinorForm::RunSubject() const {
    return {.PersonName = lastRequest_.PersonName,
            .Birth = lastRequest_.Birth,
            .Topic = lastRequest_.Topic,
            .Start = start_};
}

void TZNevalorumPelinorForm::SaveForecastCalendar() {
    if (busy_) {
        return;
    }
    try {
        const ForecastSubject subject = RunSubject();
        const QString proposed =
            PdfSaveFolder() + "/" + QString::fromStdString(ProposedCalendarName(subject));
        QString path = choosePath_
                           ? choosePath_(proposed).Path
                           : QFileDialog::getSaveFileName(this, "Сохранить в календарь", proposed,
                                                          "Календарь iCalendar (*.ics)");
        if (path.isEmpty()) {
            return;
        }
        if (!path.endsWith(".ics", Qt::CaseInsensitive)) {
            path += ".ics";
        }
        const BusyCursor cursor;
        nevalorum::SaveForecastCalendar(subject, ComputeForecastPeriods(subject, folders_, caches_),
                                        path.toStdString(), std::time(nullptr));
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void TZNevalorumPelinorForm::ShowNotice(const QString& text, const QString& path) {
    saveNotice_->setText(saveNotice_->fontMetrics().elidedText(
        text, Qt::ElideMiddle, saveNotice_->contentsRect().width()));
    saveNotice_->setToolTip(path);
    saveNotice_->setAccessibleName(text);
    saveNotice_->setAccessibleDescription(path);
    saveNotice_->show();
    LetTheWindowPaint();
}

QString PdfSaveFolder() {
    // The writable location is named whether or not the folder exists; a
    // save dialog on a folder that does not exist would open in the current
    // folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void TZNevalorumPelinorForm::OpenHelpTopic(int number) {
    const std::string path = folders_.ProgramFolder + "Help/" + std::to_string(number) + ".html";
    if (!FileExists(path) || windows_.Help == nullptr) {
        ShowError(QString::fromStdString("Unable to open help file " + path));
        return;
    }
    windows_.Help->ShowPage(QString::fromStdString(path));
}

void TZNevalorumPelinorForm::ShowError(const QString& message) {
    if (presentError_) {
        presentError_(message);
    } else {
        ShowErrorBox(this, message);
    }
}

}  // namespace nevalorum
