#include "app/gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "app/gui/about_form.h"
#include "app/gui/report_viewer.h"
#include "app/output_archive.h"
#include "common/codepage.h"
#include "common/conversion.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/month_page.h"
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

// The topic buttons: object name, caption, place, topic.
struct TopicButton {
    const char* Name;
    const char* Text;
    int Left;
    int Topic;
};
constexpr TopicButton TopicButtons[] = {
    {"Button13", "Финансы", 16, 1}, {"Button15", "Бизнес", 123, 2},
    {"Button16", "Любовь", 230, 3}, {"Button17", "Секс", 338, 4},
    {"Button19", "Отпуск", 445, 6}, {"Button20", "Здоровье", 553, 7},
};

// The month buttons' places: left, and top above the window's bottom edge.
constexpr std::array<QPoint, 7> MonthButtonPlaces{
    {{0, 0}, {20, 210}, {190, 210}, {360, 210}, {20, 160}, {190, 160}, {360, 160}}};

constexpr int WindowWidth = 800;
constexpr int WindowHeight = 600;

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

// A spin field's text as a decimal integer; ConversionError when it is none.
int SpinValue(const QSpinBox* field) {
    return ParseInteger(field->text().toStdString());
}

}  // namespace

QString TopicCaption(const RunState& state) {
    return " Nevalorum Pelinor        " + QString::fromStdString(state.PersonName) + "   " +
           QString::number(state.BirthDay) + "." + QString::number(state.BirthMonth) + "." +
           QString::number(state.BirthYear) + "     " + FromUtf8(WindowTopicTitles[state.Topic]);
}

TZNevalorumPelinorForm::TZNevalorumPelinorForm(const Folders& folders, Clock clock)
    : folders_(folders), clock_(std::move(clock)) {
    setObjectName("ZNevalorumPelinorForm");
    setWindowTitle("  Nevalorum Pelinor");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(WindowWidth, WindowHeight);
    CreateMenu();
    CreateControls();
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
    connect(helpItem, &QAction::triggered, this, [this] { OpenHelpTopic(10); });
    QAction* exit = menuBar()->addAction(" Выход ");
    exit->setObjectName("N3");
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

void TZNevalorumPelinorForm::CreateControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setFont(ControlFont(15));

    Image1 = new QLabel(client);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, WindowWidth, WindowHeight);
    Image2 = new QLabel(client);
    Image2->setObjectName("Image2");
    Image2->setGeometry(17, 246, 509, 167);
    Image2->hide();

    const QString fieldStyle = "background-color: rgb(181, 173, 197); color: black;";
    Edit1 = new QLineEdit(client);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(16, 33, 244, 25);
    Edit1->setMaxLength(40);
    Edit1->setStyleSheet(fieldStyle);
    const struct {
        QSpinBox** Field;
        const char* Name;
        QRect Place;
    } spins[] = {{&SpinEdit1, "SpinEdit1", {284, 34, 52, 28}},
                 {&SpinEdit2, "SpinEdit2", {345, 34, 51, 28}},
                 {&SpinEdit3, "SpinEdit3", {406, 34, 67, 28}}};
    for (const auto& spin : spins) {
        *spin.Field = new QSpinBox(client);
        (*spin.Field)->setObjectName(spin.Name);
        (*spin.Field)->setGeometry(spin.Place);
        (*spin.Field)->setStyleSheet(fieldStyle);
        (*spin.Field)->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    }
    SpinEdit1->setRange(1, 31);
    SpinEdit1->setValue(15);
    SpinEdit2->setRange(1, 12);
    SpinEdit2->setValue(6);
    SpinEdit3->setRange(1920, 2030);
    SpinEdit3->setValue(1980);

    for (const TopicButton& topic : TopicButtons) {
        auto* button = new QPushButton(topic.Text, client);
        button->setObjectName(topic.Name);
        button->setGeometry(topic.Left, 81, 100, 25);
        connect(button, &QPushButton::clicked, this, [this, topic] { TopicCommand(topic.Topic); });
    }
    Button14 = new QPushButton("Выход", client);
    Button14->setObjectName("Button14");
    Button14->setGeometry(553, 36, 100, 25);
    Button14->setStyleSheet("color: teal;");
    connect(Button14, &QPushButton::clicked, this, &QWidget::close);

    BitBtn1 = new QPushButton("Зачем это мне?", client);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(445, 120, 208, 25);
    BitBtn1->setFont(ControlFont(16));
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        if (windows_.Introduction != nullptr) {
            windows_.Introduction->ShowPage(
                QString::fromStdString(folders_.ProgramFolder + "Html/index.html"));
        }
    });

    for (int k = 1; k <= 6; ++k) {
        auto* button = new QPushButton(QString::fromStdString(NeutralButtonCaption(k)), client);
        button->setObjectName("Button" + QString::number(k));
        button->resize(k % 3 == 0 ? 122 : 121, 26);
        button->setEnabled(false);
        connect(button, &QPushButton::clicked, this, [this, k] { MonthCommand(k); });
        monthButtons_[k] = button;
    }

    archiveProgress_ = new QProgressBar(client);
    archiveProgress_->setObjectName("ArchiveProgress");
    archiveProgress_->setGeometry(530, 415, 250, 22);
    archiveProgress_->setFormat("Архив: %p%");
    archiveProgress_->hide();
}

void TZNevalorumPelinorForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Once, when the window is first shown: later activations keep what the
    // person typed and the month buttons of the last run.
    // The setup runs once the window is on the screen, so that a message it
    // shows stands over the window.
    if (!setupDone_) {
        setupDone_ = true;
        QTimer::singleShot(0, this, &TZNevalorumPelinorForm::MainWindowSetup);
    }
}

void TZNevalorumPelinorForm::MainWindowSetup() {
    setupRan_ = true;
    try {
        LoadBackground();
        for (int k = 1; k <= 6; ++k) {
            monthButtons_[k]->move(MonthButtonPlaces[k].x(),
                                   WindowHeight - MonthButtonPlaces[k].y());
            monthButtons_[k]->setEnabled(false);
        }
        Edit1->clear();
        SpinEdit1->setRange(1, 31);
        SpinEdit2->setRange(1, 12);
        SpinEdit3->setRange(1920, 2030);
        Edit1->setFocus();
        QPixmap picture = Image1->pixmap();
        DrawFieldLabels(picture);
        Image1->setPixmap(picture);
        ReadSettings();
        SetDateFieldsToToday();
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void TZNevalorumPelinorForm::LoadBackground() {
    const std::string path = folders_.SystemFolder + "02.bmp";
    QPixmap picture;
    if (!picture.load(QString::fromStdString(path))) {
        const std::string reason =
            FileExists(path) ? "The file is not a picture it can read" : std::strerror(ENOENT);
        throw InputOutputError("Cannot open file \"" + path + "\". " + reason);
    }
    Image1->setPixmap(picture);
}

void TZNevalorumPelinorForm::DrawFieldLabels(QPixmap& picture) const {
    QPainter painter(&picture);
    QFont font("Arial");
    font.setPointSize(11);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.setBackground(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    const int top = Edit1->y() - 25;
    const QFontMetrics metrics(font);
    const struct {
        const QWidget* Field;
        const char* Text;
    } labels[] = {
        {Edit1, "Имя"}, {SpinEdit1, "День"}, {SpinEdit2, "Месяц"}, {SpinEdit3, "Год рождения"}};
    for (const auto& label : labels) {
        painter.drawText(label.Field->x(), top + metrics.ascent(), label.Text);
    }
}

void TZNevalorumPelinorForm::ReadSettings() {
    const std::string path = folders_.SystemFolder + "set.dat";
    const std::vector<std::string> lines = FragmentLines(ReadWholeFile(path));
    for (std::size_t line = 0; line < 2; ++line) {
        std::string text = line < lines.size() ? lines[line] : std::string();
        text.erase(text.find_last_not_of(" \t") + 1);
        int value = 0;
        try {
            value = ParseInteger(text);
        } catch (const ConversionError&) {
            throw InputOutputError("Invalid numeric input in " + path + ", line " +
                                   std::to_string(line + 1) + ": '" + text + "'");
        }
        if (line == 0) {
            state_.FontSizeSetting = value;
        }
    }
}

void TZNevalorumPelinorForm::SetDateFieldsToToday() {
    const QDate today = clock_();
    // setValue keeps each field within its limits.
    SpinEdit1->setValue(today.day());
    SpinEdit2->setValue(today.month());
    SpinEdit3->setValue(today.year());
}

void TZNevalorumPelinorForm::TopicCommand(int topic) {
    if (busy_) {
        return;
    }
    try {
        const CalendarDate birth{.Day = SpinValue(SpinEdit1),
                                 .Month = SpinValue(SpinEdit2),
                                 .Year = SpinValue(SpinEdit3)};
        // A date that does not exist stops the command before anything changes.
        CheckBirthDate(birth);
        state_.FontSizeSetting = 1;
        state_.PersonName = Edit1->text().toStdString();
        state_.BirthDay = birth.Day;
        state_.BirthMonth = birth.Month;
        state_.BirthYear = birth.Year;
        state_.Topic = topic;
        setWindowTitle(TopicCaption(state_));
        RunAndArchive();
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void TZNevalorumPelinorForm::RunAndArchive() {
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

    for (int k = 1; k <= 6; ++k) {
        monthButtons_[k]->setEnabled(false);
        monthButtons_[k]->setText(QString::fromStdString(NeutralButtonCaption(k)));
    }
    LetTheWindowPaint();
    const QDate today = clock_();
    RunForecast(state_, folders_, {.Year = today.year(), .Month = today.month()}, caches_,
                [this](const FinishedMonth& month) {
                    monthButtons_[month.Button]->setText(QString::fromStdString(month.Caption));
                    monthButtons_[month.Button]->setEnabled(true);
                    LetTheWindowPaint();
                });

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

void TZNevalorumPelinorForm::MonthCommand(int button) {
    selectedPage_ = QString::fromStdString(state_.MonthPagePaths[state_.ButtonMonths[button]]);
    if (windows_.Month != nullptr) {
        windows_.Month->ShowPage(selectedPage_);
    }
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
        QMessageBox::critical(this, "Nevalorum Pelinor", message);
    }
}

}  // namespace nevalorum
