#include "app/gui/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <filesystem>

#include "app/gui/about_form.h"
#include "app/gui/program.h"
#include "app/gui/report_viewer.h"
#include "app/gui/spin_field.h"
#include "app/gui/window_layout.h"
#include "common/codepage.h"
#include "common/files.h"
#include "tests/app/gui/modal_closer.h"
#include "tests/support/installed_folder.h"
#include "tests/support/shell.h"
#include "transit/month_influence.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

const QDate Today(2026, 12, 8);

// The main window with its windows in a working folder of its own; messages it
// would show in a box are collected instead.
class MainWindowTest : public testing::InstalledFolderTest {
  protected:
    void SetUp() override {
        InstalledFolderTest::SetUp();
        // As the program installs them: the toolkit's dialogs in Russian.
        static const QStringList missing =
            InstallRussianTranslations(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        ASSERT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
        // Help pages of this test's own, whether or not the installation ships any.
        folder_.Write("Help/10.html", "<html><body><h1>Помощь</h1></body></html>");
    }

    // Creates and shows the window as the program does, and waits for its
    // setup; messages go to messages_ unless they are to open their boxes.
    void Open(bool messageBoxes = false) {
        window_ = std::make_unique<TZNevalorumPelinorForm>(WorkingFolders(), [] { return Today; });
        if (!messageBoxes) {
            window_->SetErrorPresenter(
                [this](const QString& message) { messages_.push_back(message); });
        }
        windows_ = CreateSecondaryWindows(*window_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_->SetupDone(); }));
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    template <typename Widget>
    Widget* Find(const char* name) const {
        Widget* widget = window_->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void TypeBirth(const QString& name, int day, int month, int year) {
        Find<QLineEdit>("Edit1")->setText(name);
        Find<SpinField>("SpinEdit1")->SetValue(day);
        Find<SpinField>("SpinEdit2")->SetValue(month);
        Find<SpinField>("SpinEdit3")->SetValue(year);
    }

    // Types into a field as a person does: the field takes the focus, its text
    // is selected and the keys replace it.
    static void TypeInto(QWidget* field, const QString& keys) {
        field->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, keys);
    }

    QPushButton* MonthButton(int k) const {
        return Find<QPushButton>(("Button" + std::to_string(k)).c_str());
    }

    QUrl PageUrl(const std::string& name) const {
        return QUrl::fromLocalFile(QString::fromStdString(Output(name)));
    }

    std::string Output(const std::string& name) const { return folder_.Path() + "Output/" + name; }

    // The page of month button k after a run on Today.
    static std::string MonthPageName(int k) {
        const char* names[] = {"Hor_12_2026.html", "Hor_01_2027.html", "Hor_02_2027.html",
                               "Hor_03_2027.html", "Hor_04_2027.html", "Hor_05_2027.html"};
        return names[k - 1];
    }

    // Clicks link number index of the page with the mouse, as a person does (a
    // link followed by a script is one the browser's Back skips).
    static void ClickLink(QWebEngineView* browser, int index) {
        QPoint at;
        bool found = false;
        browser->page()->runJavaScript(
            QString("(function() { const link = document.querySelectorAll('a')[%1];"
                    " link.scrollIntoView(); const box = link.getBoundingClientRect();"
                    " return [box.left + box.width / 2, box.top + box.height / 2]; })()")
                .arg(index),
            [&](const QVariant& centre) {
                const QVariantList xy = centre.toList();
                at = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
                found = true;
            });
        ASSERT_TRUE(QTest::qWaitFor([&found] { return found; }));
        QTest::mouseClick(browser->focusProxy(), Qt::LeftButton, {}, at);
    }

    // Waits until the browser has loaded a page; true when it did.
    // Waits until the month viewer shows the page, loaded ahead or on the click;
    // true when it does.
    bool WaitForMonthPage(const QUrl& url) {
        QWebEngineView* browser = windows_.Month->Browser();
        return QTest::qWaitFor(
            [&] { return browser->url() == url && !browser->page()->isLoading(); }, 20000);
    }

    static bool WaitForLoad(QWebEngineView* browser) {
        QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
        return loaded.wait(20000) && loaded.takeFirst().at(0).toBool();
    }

    std::unique_ptr<TZNevalorumPelinorForm> window_;
    SecondaryWindows windows_;
    std::vector<QString> messages_;
};

// The widget as a screen of the ratio shows it, in device pixels.
QImage Render(QWidget* widget, qreal ratio) {
    QPixmap picture(widget->size() * ratio);
    picture.setDevicePixelRatio(ratio);
    widget->render(&picture);
    return picture.toImage().convertToFormat(QImage::Format_Grayscale8);
}

// The detail of a picture's area: its high frequencies (the sum of the
// Laplacian's magnitude: edges blurred over two pixels have little), and the
// share of 2 x 2 blocks whose pixels differ (none in a picture of doubled
// pixels).
struct Detail {
    double Edges = 0;
    double FineBlocks = 0;
};
Detail DetailOf(const QImage& image, const QRect& area) {
    const auto at = [&image](int x, int y) { return qGray(image.pixel(x, y)); };
    Detail detail;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            detail.Edges +=
                std::abs(4 * at(x, y) - at(x - 1, y) - at(x + 1, y) - at(x, y - 1) - at(x, y + 1));
        }
    }
    int blocks = 0;
    int fine = 0;
    for (int y = area.top(); y < area.bottom(); y += 2) {
        for (int x = area.left(); x < area.right(); x += 2) {
            const int a = at(x, y), b = at(x + 1, y), c = at(x, y + 1), d = at(x + 1, y + 1);
            ++blocks;
            fine += std::max({a, b, c, d}) - std::min({a, b, c, d}) > 32;
        }
    }
    detail.FineBlocks = blocks == 0 ? 0 : static_cast<double>(fine) / blocks;
    return detail;
}

TEST_F(MainWindowTest, FirstShownWithTodayAndNoMonths) {
    Open();
    EXPECT_EQ(window_->windowTitle(), "  Nevalorum Pelinor");
    EXPECT_EQ(window_->size(), QSize(800, 600));
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
    EXPECT_EQ(Find<SpinField>("SpinEdit1")->Value(), 8);
    EXPECT_EQ(Find<SpinField>("SpinEdit2")->Value(), 12);
    EXPECT_EQ(Find<SpinField>("SpinEdit3")->Value(), 2026);
    EXPECT_EQ(Find<QLineEdit>("Edit1")->maxLength(), 40);
    for (int k = 1; k <= 6; ++k) {
        const QPushButton* button = Find<QPushButton>(("Button" + std::to_string(k)).c_str());
        EXPECT_FALSE(button->isEnabled());
        EXPECT_EQ(button->text().toStdString(), NeutralButtonCaption(k));
    }
    EXPECT_EQ(Find<QPushButton>("Button1")->pos(), QPoint(20, 390));
    EXPECT_EQ(Find<QPushButton>("Button6")->pos(), QPoint(360, 440));
}

TEST_F(MainWindowTest, EveryTopicButtonMakesAForecast) {
    Open();
    struct Case {
        const char* button;
        const char* caption;
    };
    const Case cases[] = {
        {"Button13", "Финансовый гороскоп"}, {"Button15", "Бизнес-гороскоп"},
        {"Button16", "Любовный гороскоп"},   {"Button17", "Сексуальный гороскоп"},
        {"Button19", "Отпускной гороскоп"},  {"Button20", "Гороскоп здоровья"},
    };
    const char* months[] = {"Декабрь 2026", "Январь 2027", "Февраль 2027",
                            "Март 2027",    "Апрель 2027", "Май 2027"};
    for (const Case& c : cases) {
        TypeBirth("Иван", 5, 3, 1990);
        Find<QPushButton>(c.button)->click();
        EXPECT_EQ(window_->windowTitle(),
                  QString(" Nevalorum Pelinor        Иван   5.3.1990     ") + c.caption);
        for (int k = 1; k <= 6; ++k) {
            const QPushButton* button = Find<QPushButton>(("Button" + std::to_string(k)).c_str());
            EXPECT_TRUE(button->isEnabled()) << c.button;
            EXPECT_EQ(button->text(), months[k - 1]) << c.button;
        }
        EXPECT_EQ(window_->FontSizeSetting(), 1);
    }
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
    EXPECT_TRUE(FileExists(Output("Hor_12_2026.html")));
    EXPECT_TRUE(FileExists(Output("Hor_05_2027.jpeg")));
    EXPECT_TRUE(FileExists(Output("Horoscop.zip")));
    EXPECT_FALSE(Find<QProgressBar>("ArchiveProgress")->isVisible());
}

// Two topics one right after the other: the archive holds the second's pages.
// A run that fails before its first month leaves the window as the run before
// left it, its pages still to be opened.
TEST_F(MainWindowTest, WindowAndArchiveShowTheLastRunThatWrote) {
    Open();
    TypeBirth("Анна", 5, 3, 1990);
    Find<QPushButton>("Button13")->click();
    TypeBirth("Анна", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    ASSERT_TRUE(messages_.empty()) << messages_.front().toStdString();
    for (const char* name : {"Hor_12_2026.html", "Hor_12_2026.jpeg", "Hor_05_2027.html"}) {
        const std::string archived =
            testing::RunCommand("unzip -p '" + Output("Horoscop.zip") + "' " + name).Output;
        EXPECT_TRUE(archived == ReadWholeFile(Output(name))) << name << " is stale in the archive";
    }
    const QString title = window_->windowTitle();
    std::vector<QString> captions;
    for (int k = 1; k <= 6; ++k) {
        captions.push_back(MonthButton(k)->text());
    }
    const std::string topicFile = folder_.Path() + "System/2.dat";
    fs::remove(topicFile);
    TypeBirth("Борис", 1, 1, 1980);
    Find<QPushButton>("Button15")->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(),
              "File not found: " + topicFile + " (No such file or directory)");
    EXPECT_EQ(window_->windowTitle(), title);
    for (int k = 1; k <= 6; ++k) {
        EXPECT_TRUE(MonthButton(k)->isEnabled()) << k;
        EXPECT_EQ(MonthButton(k)->text(), captions[k - 1]) << k;
    }
}

TEST_F(MainWindowTest, EmptyNameGivesElevenBlanksBeforeTheDate) {
    Open();
    TypeBirth("", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    EXPECT_EQ(window_->windowTitle(),
              " Nevalorum Pelinor           5.3.1990     Любовный гороскоп");
}

TEST_F(MainWindowTest, MistakesAreShownAndChangeNothing) {
    Open();
    struct Case {
        const char* name;
        std::function<void()> prepare;
        QString message;
    };
    const Case cases[] = {
        {"a spin field with no number",
         [this] { Find<SpinField>("SpinEdit1")->findChild<QLineEdit*>()->setText(""); },
         "'' is not a valid integer value"},
        {"a day the month does not have", [this] { TypeBirth("Иван", 31, 2, 1990); },
         "Даты рождения 31.02.1990 не существует: проверьте день и месяц рождения."},
    };
    for (const Case& c : cases) {
        messages_.clear();
        TypeBirth("Иван", 5, 3, 1990);
        c.prepare();
        Find<QPushButton>("Button16")->click();
        ASSERT_EQ(messages_.size(), 1u) << c.name;
        EXPECT_EQ(messages_[0], c.message) << c.name;
        EXPECT_EQ(window_->windowTitle(), "  Nevalorum Pelinor") << c.name;
        EXPECT_FALSE(Find<QPushButton>("Button1")->isEnabled()) << c.name;
    }
    EXPECT_FALSE(fs::exists(Output("Hor_12_2026.html")));
    // The window stays usable.
    messages_.clear();
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(Find<QPushButton>("Button1")->isEnabled());
}

// A data file of the setup that is missing or wrong is reported once, and all
// that a person needs to make and open a forecast is in place all the same.
TEST_F(MainWindowTest, SetupGoesOnPastAMissingFile) {
    struct Case {
        const char* file;
        const char* contents;  // nullptr: the file is removed
        std::string message;
        int day;  // what the day field shows: today, or the design value
    };
    const Case cases[] = {
        {"System/02.bmp", nullptr,
         "Cannot open file \"" + folder_.Path() + "System/02.bmp\". No such file or directory", 8},
        {"System/02.bmp", "not a picture",
         "Cannot open file \"" + folder_.Path() +
             "System/02.bmp\". The file is not a picture it can read",
         8},
        {"System/set.dat", nullptr,
         "File not found: " + folder_.Path() + "System/set.dat (No such file or directory)", 15},
        {"System/set.dat", "x\r\n0\r\ntext\r\n",
         "Invalid numeric input in " + folder_.Path() + "System/set.dat, line 1: 'x'", 15},
    };
    for (const Case& c : cases) {
        fs::remove_all(Output(""));
        fs::copy(testing::SourceDataFolder(), folder_.Path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        if (c.contents == nullptr) {
            fs::remove(folder_.Path() + c.file);
        } else {
            folder_.Write(c.file, c.contents);
        }
        messages_.clear();
        Open();
        ASSERT_EQ(messages_.size(), 1u) << c.file;
        EXPECT_EQ(messages_[0].toStdString(), c.message);
        EXPECT_EQ(Find<SpinField>("SpinEdit1")->Value(), c.day) << c.file;

        // The labels are drawn on the picture: white letters on black.
        const QImage picture = Render(Find<QWidget>("Image1"), 1);
        ASSERT_EQ(picture.size(), layout::Image1.size()) << c.file;
        for (const layout::FieldLabel& label : layout::FieldLabels) {
            int white = 0;
            int black = 0;
            for (int x = label.Left; x < label.Left + 25; ++x) {
                for (int y = layout::FieldLabelTop; y < layout::FieldLabelTop + 14; ++y) {
                    const QRgb pixel = picture.pixel(x, y);
                    white += pixel == qRgb(255, 255, 255);
                    black += pixel == qRgb(0, 0, 0);
                }
            }
            EXPECT_GT(white, 5) << c.file << " " << label.Text;
            EXPECT_GT(black, 100) << c.file << " " << label.Text;
        }

        // Every month button is in its place and opens its own month.
        TypeBirth("Иван", 5, 3, 1990);
        Find<QPushButton>("Button13")->click();
        // Each month opened where the picture failed; the first and the last
        // where a later step did (each page takes seconds in this build).
        const bool everyMonth = std::string(c.file) == "System/02.bmp";
        for (int k = 1; k <= 6; ++k) {
            EXPECT_EQ(MonthButton(k)->geometry(), layout::MonthButton(k)) << c.file << " " << k;
            EXPECT_TRUE(MonthButton(k)->isEnabled()) << c.file << " " << k;
            if (!everyMonth && k != 1 && k != 6) {
                continue;
            }
            QTest::mouseClick(MonthButton(k), Qt::LeftButton);
            ASSERT_TRUE(windows_.Month->isVisible()) << c.file << " " << k;
            EXPECT_TRUE(WaitForMonthPage(PageUrl(MonthPageName(k)))) << c.file << " " << k;
            windows_.Month->accept();
        }
        EXPECT_EQ(messages_.size(), 1u) << c.file;
    }
}

// On a screen of twice the pixels the labels are drawn with twice the
// pixels: sharper than the window of one ratio scaled up, and with detail
// finer than its pixels; at one ratio the picture is shown pixel for pixel.
TEST_F(MainWindowTest, LabelsSharpAtTwiceThePixels) {
    Open();
    QWidget* background = Find<QWidget>("Image1");
    const QImage single = Render(background, 1);
    const QImage twice = Render(background, 2);
    ASSERT_EQ(twice.size(), single.size() * 2);
    // At one ratio: the picture with the labels written on it in the plain
    // font, white on black, pixel for pixel.
    QImage picture;
    ASSERT_TRUE(picture.load(QString::fromStdString(folder_.Path() + "System/02.bmp")));
    {
        QPainter painter(&picture);
        QFont font(layout::FieldLabelFont);
        font.setPointSize(layout::FieldLabelPointSize);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.setBackground(Qt::black);
        painter.setBackgroundMode(Qt::OpaqueMode);
        for (const layout::FieldLabel& label : layout::FieldLabels) {
            painter.drawText(label.Left, layout::FieldLabelTop + QFontMetrics(font).ascent(),
                             QString::fromUtf8(label.Text));
        }
    }
    EXPECT_EQ(single, picture.convertToFormat(QImage::Format_Grayscale8));
    const QImage scaled =
        single.scaled(twice.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (const layout::FieldLabel& label : layout::FieldLabels) {
        const QRect area(2 * label.Left, 2 * layout::FieldLabelTop, 2 * 30, 2 * 16);
        const Detail sharp = DetailOf(twice, area);
        const Detail blurred = DetailOf(scaled, area);
        EXPECT_GT(sharp.Edges, 1.5 * blurred.Edges) << label.Text;
        EXPECT_GT(sharp.FineBlocks, 0.1) << label.Text;
    }
}

// Closing the About box or a viewer keeps the name and the months of the run.
TEST_F(MainWindowTest, OtherWindowsLeaveTheInputsAlone) {
    Open();
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    Find<QLineEdit>("Edit1")->setText("Мария");
    window_->menuBar()->findChild<QAction*>("N7")->trigger();
    EXPECT_TRUE(windows_.About->isVisible());
    windows_.About->accept();
    QApplication::setActiveWindow(window_.get());
    QTest::qWait(50);
    EXPECT_EQ(Find<QLineEdit>("Edit1")->text(), "Мария");
    EXPECT_TRUE(Find<QPushButton>("Button3")->isEnabled());
}

TEST_F(MainWindowTest, HelpPageOrItsMessage) {
    Open();
    window_->menuBar()->findChild<QAction*>("N9")->trigger();
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(windows_.Help->isVisible());
    EXPECT_TRUE(WaitForLoad(windows_.Help->Browser()));
    windows_.Help->accept();
    fs::remove_all(folder_.Path() + "Help");
    window_->menuBar()->findChild<QAction*>("N9")->trigger();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(),
              "Unable to open help file " + folder_.Path() + "Help/10.html");
}

// A month button opens its page; the page's links lead to the other months; the
// page prints to a PDF file that keeps its text.
TEST_F(MainWindowTest, MonthViewerShowsFollowsAndPrints) {
    Open();
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    QWebEngineView* browser = windows_.Month->Browser();
    Find<QPushButton>("Button2")->click();
    ASSERT_TRUE(WaitForMonthPage(PageUrl("Hor_01_2027.html")));

    const std::string screenshots = std::string(std::getenv("NEVALORUM_ARTEFACTS")) + "/";
    fs::create_directories(screenshots);
    window_->grab().save(QString::fromStdString(screenshots + "main_window.png"));
    // The browser's picture is on the screen, not in the widget: under a display
    // the screen shot shows the page.
    QTest::qWait(500);
    windows_.Month->screen()
        ->grabWindow(0, windows_.Month->x(), windows_.Month->y(), windows_.Month->width(),
                     windows_.Month->height())
        .save(QString::fromStdString(screenshots + "month_viewer.png"));

    browser->page()->runJavaScript("document.querySelectorAll('a')[2].click();");
    ASSERT_TRUE(WaitForLoad(browser));
    EXPECT_EQ(browser->url(),
              QUrl::fromLocalFile(QString::fromStdString(Output("Hor_02_2027.html"))));

    // Printed to a PDF file: the file, or where it cannot be written a
    // message, and the earlier file as it was.
    const std::string pdf = folder_.Path() + "page.pdf";
    const auto printToPdf = [this](const std::string& path) {
        auto printer = std::make_unique<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(path));
        QSignalSpy printed(windows_.Month, &ReportViewer::PrintFinished);
        windows_.Month->PrintPage(std::move(printer));
        EXPECT_TRUE(printed.wait(20000));
        return !printed.isEmpty() && printed.takeFirst().at(0).toBool();
    };
    {
        const testing::ModalCloser closer;
        EXPECT_TRUE(printToPdf(pdf));
        QTest::qWait(50);
        EXPECT_TRUE(closer.Seen().empty());
    }
    {
        const std::string before = ReadWholeFile(pdf);
        const std::string unwritable = pdf + "/page.pdf";  // under a file, not a folder
        const testing::ModalCloser closer;
        EXPECT_FALSE(printToPdf(unwritable));
        ASSERT_TRUE(QTest::qWaitFor([&closer] { return !closer.Seen().empty(); }));
        EXPECT_EQ(closer.Seen()[0].Text.toStdString(),
                  "Страница не сохранена в PDF: Cannot create file \"" + unwritable +
                      "\". Not a directory");
        EXPECT_EQ(closer.Seen()[0].Over, windows_.Month);
        EXPECT_EQ(ReadWholeFile(pdf), before);
    }
    EXPECT_EQ(testing::RunCommand("ls -A '" + folder_.Path() + "' | grep -c nptmp").Output, "0\n");
    FILE* text = popen(("pdftotext '" + pdf + "' -").c_str(), "r");
    std::string words;
    char buffer[4096];
    for (std::size_t count; (count = fread(buffer, 1, sizeof buffer, text)) > 0;) {
        words.append(buffer, count);
    }
    pclose(text);
    EXPECT_NE(words.find("Гороскоп на 1 февраля"), std::string::npos) << words.substr(0, 400);

    // A page that no longer exists: the viewer keeps what it showed.
    windows_.Month->accept();
    fs::remove(Output("Hor_03_2027.html"));
    Find<QPushButton>("Button4")->click();
    QTest::qWait(100);
    EXPECT_EQ(browser->url(),
              QUrl::fromLocalFile(QString::fromStdString(Output("Hor_02_2027.html"))));
}

// "Зачем это мне?" opens the introduction; the About box names the program.
TEST_F(MainWindowTest, IntroductionAndAboutBox) {
    Open();
    Find<QPushButton>("BitBtn1")->click();
    ASSERT_TRUE(windows_.Introduction->isVisible());
    ASSERT_TRUE(WaitForLoad(windows_.Introduction->Browser()));
    EXPECT_EQ(windows_.Introduction->Browser()->url(),
              QUrl::fromLocalFile(QString::fromStdString(folder_.Path() + "Html/index.html")));
    EXPECT_EQ(windows_.Introduction->windowTitle(), "   Гороскоп ");
    const std::string screenshots = std::string(std::getenv("NEVALORUM_ARTEFACTS")) + "/";
    fs::create_directories(screenshots);
    QTest::qWait(500);
    windows_.Introduction->screen()
        ->grabWindow(0, windows_.Introduction->x(), windows_.Introduction->y(),
                     windows_.Introduction->width(), windows_.Introduction->height())
        .save(QString::fromStdString(screenshots + "introduction_viewer.png"));
    windows_.Introduction->accept();

    window_->menuBar()->findChild<QAction*>("N7")->trigger();
    ASSERT_TRUE(windows_.About->isVisible());
    EXPECT_EQ(windows_.About->windowTitle(), " О программе");
    EXPECT_EQ(windows_.About->size(), QSize(384, 262));
    windows_.About->grab().save(QString::fromStdString(screenshots + "about_box.png"));
    windows_.About->findChild<QPushButton*>("OKButton")->click();
    EXPECT_FALSE(windows_.About->isVisible());
}

// Typed digits are all taken; leaving the field puts a number outside the
// limits at the nearest limit and leaves a text without a number alone.
TEST_F(MainWindowTest, DateFieldsClampWhenLeft) {
    Open();
    struct Case {
        const char* field;
        const char* keys;
        const char* typed;  // shown before leaving
        const char* left;   // shown after leaving
    };
    const Case cases[] = {
        {"SpinEdit3", "2050", "2050", "2030"},
        {"SpinEdit3", "1850", "1850", "1920"},
        {"SpinEdit3", "205", "205", "1920"},
        {"SpinEdit3", "1990", "1990", "1990"},
        {"SpinEdit1", "45", "45", "31"},
        {"SpinEdit1", "0", "0", "1"},
        {"SpinEdit1", "-3", "-3", "1"},
        {"SpinEdit1", "07", "07", "07"},
        {"SpinEdit2", "13", "13", "12"},
        {"SpinEdit2", "1x2", "12", "12"},
        {"SpinEdit1", "", "", ""},
        {"SpinEdit3", "-", "-", "-"},
        {"SpinEdit3", "99999999999999", "99999999999999", "2030"},
    };
    for (const Case& c : cases) {
        auto* field = Find<SpinField>(c.field);
        TypeInto(field, c.keys);
        EXPECT_EQ(field->text(), c.typed) << c.field << " " << c.keys;
        QTest::keyClick(field, Qt::Key_Tab);
        EXPECT_FALSE(field->hasFocus());
        EXPECT_EQ(field->text(), c.left) << c.field << " " << c.keys;
    }
    // Return ends the typing too.
    auto* year = Find<SpinField>("SpinEdit3");
    TypeInto(year, "3000");
    QTest::keyClick(year, Qt::Key_Return);
    EXPECT_EQ(year->text(), "2030");
}

// A topic button pressed while a field is still being typed in: the rule of
// leaving the field applies first; a field with no number stops the command.
TEST_F(MainWindowTest, TopicButtonAppliesTheFieldRuleFirst) {
    Open();
    struct Case {
        const char* field;
        const char* keys;
        QString caption;  // empty: the command stops with the message
        QString message;
    };
    const Case cases[] = {
        {"SpinEdit3", "2050", " Nevalorum Pelinor        Иван   5.3.2030     Любовный гороскоп",
         ""},
        {"SpinEdit1", "45", " Nevalorum Pelinor        Иван   31.3.1990     Любовный гороскоп", ""},
        {"SpinEdit1", "", "", "'' is not a valid integer value"},
        {"SpinEdit3", "-", "", "'-' is not a valid integer value"},
        {"SpinEdit2", "+", "", "'+' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        window_->setWindowTitle("  Nevalorum Pelinor");
        fs::remove(Output("Hor_12_2026.html"));
        messages_.clear();
        TypeBirth("Иван", 5, 3, 1990);
        TypeInto(Find<SpinField>(c.field), c.keys);
        QTest::mouseClick(Find<QPushButton>("Button16"), Qt::LeftButton);
        if (c.caption.isEmpty()) {
            ASSERT_EQ(messages_.size(), 1u) << c.field << " " << c.keys;
            EXPECT_EQ(messages_[0], c.message);
            EXPECT_EQ(window_->windowTitle(), "  Nevalorum Pelinor");
            EXPECT_FALSE(FileExists(Output("Hor_12_2026.html")));
        } else {
            EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
            EXPECT_EQ(window_->windowTitle(), c.caption);
            EXPECT_TRUE(FileExists(Output("Hor_12_2026.html")));
        }
    }
}

// The topic command writes its pages with the style of text size 1
// (style_2.dat), whatever set.dat holds.
TEST_F(MainWindowTest, PagesTakeTheStyleOfTheTopicCommand) {
    folder_.Write("System/set.dat", "3\r\n0\r\nNevalorum Pelinor\r\n");
    Open();
    ASSERT_TRUE(messages_.empty()) << messages_.front().toStdString();
    EXPECT_EQ(window_->FontSizeSetting(), 3);
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    ASSERT_TRUE(messages_.empty()) << messages_.front().toStdString();
    const std::string page = ReadWholeFile(Output("Hor_12_2026.html"));
    const std::string small = ReadWholeFile(folder_.Path() + "System/style_2.dat");
    const std::string large = ReadWholeFile(folder_.Path() + "System/style_4.dat");
    ASSERT_NE(small, large);
    EXPECT_NE(page.find(small), std::string::npos);
    EXPECT_EQ(page.find(large), std::string::npos);
}

// Enter presses the focused button, F1 opens help, F10 and Alt the menu.
TEST_F(MainWindowTest, KeysOfTheMainWindow) {
    Open();
    TypeBirth("Иван", 5, 3, 1990);
    auto* love = Find<QPushButton>("Button16");
    love->setFocus(Qt::TabFocusReason);
    QTest::keyClick(love, Qt::Key_Return);
    EXPECT_EQ(window_->windowTitle(),
              " Nevalorum Pelinor        Иван   5.3.1990     Любовный гороскоп");
    auto* why = Find<QPushButton>("BitBtn1");
    why->setFocus(Qt::TabFocusReason);
    QTest::keyClick(why, Qt::Key_Enter);
    EXPECT_TRUE(windows_.Introduction->isVisible());
    windows_.Introduction->accept();

    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(Find<QLineEdit>("Edit1"), Qt::Key_F1);
    EXPECT_TRUE(windows_.Help->isVisible());
    ASSERT_TRUE(WaitForLoad(windows_.Help->Browser()));
    EXPECT_EQ(windows_.Help->Browser()->url(),
              QUrl::fromLocalFile(QString::fromStdString(folder_.Path() + "Help/10.html")));
    windows_.Help->accept();

    const struct {
        const char* name;
        std::function<void(QWidget*)> press;
    } menuKeys[] = {
        {"F10", [](QWidget* focus) { QTest::keyClick(focus, Qt::Key_F10); }},
        {"Alt",
         [](QWidget* focus) {
             QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
             QTest::keyRelease(focus, Qt::Key_Alt, Qt::NoModifier);
         }},
    };
    for (const auto& key : menuKeys) {
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        auto* name = Find<QLineEdit>("Edit1");
        name->setFocus();
        key.press(name);
        EXPECT_TRUE(window_->menuBar()->hasFocus()) << key.name;
        ASSERT_NE(window_->menuBar()->activeAction(), nullptr) << key.name;
        EXPECT_EQ(window_->menuBar()->activeAction()->objectName(), "N7") << key.name;
        // Right to "Помощь", down opens it; Escape twice gives the focus back.
        QTest::keyClick(window_->menuBar(), Qt::Key_Right);
        EXPECT_EQ(window_->menuBar()->activeAction()->text(), "Помощь") << key.name;
        QTest::keyClick(window_->menuBar(), Qt::Key_Escape);
        EXPECT_TRUE(name->hasFocus()) << key.name;
    }
    // The captions stay as they are, without marks for the keys.
    QStringList captions;
    for (const QAction* action : window_->menuBar()->actions()) {
        captions.append(action->text());
    }
    EXPECT_EQ(captions, QStringList({" О программе ", "Помощь", "Прогноз", " Выход "}));
}

// The PDF and calendar commands wait for a run; then they write that run where
// the person chooses, proposing a name with the person and the month: the PDF
// as periods or, when chosen, day by day.
TEST_F(MainWindowTest, SavesTheForecastAsOnePdfAndACalendar) {
    Open();
    QAction* save = window_->findChild<QAction*>("SavePdf");
    QAction* calendar = window_->findChild<QAction*>("SaveCalendar");
    ASSERT_NE(save, nullptr);
    ASSERT_NE(calendar, nullptr);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(calendar->isEnabled());
    TypeBirth("Анна", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    ASSERT_TRUE(save->isEnabled());
    ASSERT_TRUE(calendar->isEnabled());
    struct Case {
        bool daily;
        const char* heading;  // what only that layout writes
    };
    for (const Case& c : {Case{false, "Лучшие дни:"},
                          Case{true, "Любовный гороскоп на декабрь 2026 года для Вас, Анна"}}) {
        QString proposed;
        const std::string pdf = folder_.Path() + "forecast";
        window_->SetSavePathChooser([&](const QString& path) {
            proposed = path;
            return TZNevalorumPelinorForm::SaveChoice(QString::fromStdString(pdf), c.daily);
        });
        // While the pages render: the busy cursor and what is being done.
        QStringList notices;
        bool busyCursor = false;
        auto* notice = Find<QLabel>("SaveNotice");
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (notice->isVisible() && !notices.contains(notice->text())) {
                notices.append(notice->text());
            }
            busyCursor |= QApplication::overrideCursor() != nullptr &&
                          QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        });
        look.start(5);
        save->trigger();
        look.stop();
        EXPECT_TRUE(proposed.startsWith(PdfSaveFolder() + "/")) << proposed.toStdString();
        EXPECT_TRUE(proposed.endsWith("/Прогноз_Анна_12_2026.pdf")) << proposed.toStdString();
        EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
        EXPECT_TRUE(busyCursor);
        EXPECT_EQ(notices.value(0), "Сохраняется PDF…");
        // Done: the file named, its path beside.
        EXPECT_TRUE(notice->isVisible());
        EXPECT_EQ(notice->text(), "Сохранено: forecast.pdf");
        EXPECT_EQ(notice->toolTip().toStdString(), pdf + ".pdf");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        const std::string text = testing::RunCommand("pdftotext '" + pdf + ".pdf' -").Output;
        EXPECT_NE(text.find(c.heading), std::string::npos) << c.daily;
        EXPECT_NE(text.find(c.daily ? "на май 2027 года" : "Май 2027"), std::string::npos);
    }
    QString proposed;
    window_->SetSavePathChooser([&](const QString& path) {
        proposed = path;
        return TZNevalorumPelinorForm::SaveChoice(
            QString::fromStdString(folder_.Path() + "forecast"));
    });
    calendar->trigger();
    EXPECT_TRUE(proposed.endsWith("/Прогноз_Анна_12_2026.ics")) << proposed.toStdString();
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
    const std::string ics = ReadWholeFile(folder_.Path() + "forecast.ics");
    EXPECT_TRUE(ics.starts_with("BEGIN:VCALENDAR\r\n")) << ics.substr(0, 40);
    EXPECT_NE(ics.find("DTSTART;VALUE=DATE:2026120"), std::string::npos);
}

// The save dialog opens in the documents folder the desktop names, or in the
// home folder where there is none; never in the program's current folder.
TEST(PdfSaveFolder, DocumentsElseHome) {
    const testing::TemporaryFolder folder;
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QByteArray::fromStdString(folder.Path() + "home"));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.Path() + "home/.config"));
    fs::create_directories(folder.Path() + "home");
    struct Case {
        const char* documents;  // made in the home folder, nullptr: none
        std::string expected;
    };
    const Case cases[] = {{nullptr, folder.Path() + "home"},
                          {"Documents", folder.Path() + "home/Documents"}};
    for (const Case& c : cases) {
        if (c.documents != nullptr) {
            fs::create_directories(folder.Path() + "home/" + c.documents);
        }
        EXPECT_EQ(PdfSaveFolder().toStdString(), c.expected);
    }
    qputenv("HOME", home);
    if (config.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", config);
    }
}

// The name field takes no control character, typed or pasted.
TEST_F(MainWindowTest, NameFieldRefusesControlCharacters) {
    Open();
    auto* name = Find<QLineEdit>("Edit1");
    struct Case {
        QString pasted;
        QString kept;
    };
    const Case cases[] = {
        {"Анна-Мария", "Анна-Мария"},
        {QString("Ив") + QChar(0x01) + "ан", ""},
        {QString("Ив") + QChar(0x7F) + "ан", ""},
        {QString("Ив") + QChar(0x85) + "ан", ""},
        {QString("Ив") + QChar(0x9F) + "ан", ""},
    };
    for (const Case& c : cases) {
        name->clear();
        QApplication::clipboard()->setText(c.pasted);
        name->paste();
        EXPECT_EQ(name->text(), c.kept) << c.pasted.toStdString();
        // Typed key by key: a control character is left out.
        name->clear();
        for (const QChar character : c.pasted) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
            QApplication::sendEvent(name, &key);
        }
        EXPECT_EQ(name->text(), c.kept.isEmpty() ? "Иван" : c.kept) << c.pasted.toStdString();
    }
}

// In a viewer the keys work wherever the focus is, the page included.
TEST_F(MainWindowTest, KeysOfAViewer) {
    Open();
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    QTest::mouseClick(MonthButton(1), Qt::LeftButton);
    QWebEngineView* browser = windows_.Month->Browser();
    ASSERT_TRUE(WaitForMonthPage(PageUrl("Hor_12_2026.html")));
    ClickLink(browser, 2);
    ASSERT_TRUE(WaitForLoad(browser));
    ASSERT_EQ(browser->url(), PageUrl("Hor_02_2027.html"));

    windows_.Month->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(windows_.Month));
    QWidget* page = browser->focusProxy();
    ASSERT_NE(page, nullptr);
    page->setFocus(Qt::MouseFocusReason);

    ASSERT_TRUE(browser->history()->canGoBack());
    QTest::keyClick(page, Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(WaitForLoad(browser));
    EXPECT_EQ(browser->url(), PageUrl("Hor_12_2026.html"));
    QTest::keyClick(page, Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(WaitForLoad(browser));
    EXPECT_EQ(browser->url(), PageUrl("Hor_02_2027.html"));

    {
        const testing::ModalCloser closer;
        QTest::keyClick(page, Qt::Key_P, Qt::ControlModifier);
        ASSERT_EQ(closer.Seen().size(), 1u);
        EXPECT_EQ(closer.Seen()[0].ClassName, "QPrintDialog");
    }
    // Enter in the page prints nothing.
    {
        const testing::ModalCloser closer;
        QTest::keyClick(page, Qt::Key_Return);
        QTest::qWait(100);
        EXPECT_TRUE(closer.Seen().empty());
    }
    auto* print = windows_.Month->findChild<QPushButton*>("BitBtn1");
    print->setFocus(Qt::TabFocusReason);
    {
        const testing::ModalCloser closer;
        QTest::keyClick(print, Qt::Key_Return);
        ASSERT_EQ(closer.Seen().size(), 1u);
        EXPECT_EQ(closer.Seen()[0].ClassName, "QPrintDialog");
    }
    windows_.Month->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(windows_.Month));
    page->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_FALSE(windows_.Month->isVisible());
}

// The months a person opens next are loaded ahead while the viewer is hidden:
// the first ones after a run, the following ones after a month was shown, the
// one under the pointer. A click shows such a page without loading it again,
// unless the file has changed since.
TEST_F(MainWindowTest, PagesOfTheNextMonthsAreReadyForTheClick) {
    Open();
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    QWebEngineView* browser = windows_.Month->Browser();
    const auto pageText = [browser] {
        QString text;
        bool done = false;
        browser->page()->toPlainText([&](const QString& plain) {
            text = plain;
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&done] { return done; }));
        return text;
    };
    const auto loadedAhead = [this] {
        return QTest::qWaitFor([this] { return !windows_.Month->LoadingAhead(); }, 20000);
    };

    // Month after month, as a person reads: each page is ready, loaded in
    // full when its window opens.
    for (int k = 1; k <= 6; ++k) {
        ASSERT_TRUE(loadedAhead()) << k;
        QTest::mouseClick(MonthButton(k), Qt::LeftButton);
        EXPECT_TRUE(windows_.Month->isVisible()) << k;
        EXPECT_EQ(browser->url(), PageUrl(MonthPageName(k))) << k;
        EXPECT_FALSE(browser->page()->isLoading()) << k;
        EXPECT_TRUE(pageText().contains("Иван")) << k;
        EXPECT_FALSE(browser->history()->canGoBack()) << k;
        windows_.Month->accept();
    }

    // A page another run has rewritten since: the click says so and shows
    // no page of another person under this run's caption, whether the file
    // kept its size or its time.
    const std::string february = Output("Hor_02_2027.html");
    const std::string original = ReadWholeFile(february);
    const fs::file_time_type written = fs::last_write_time(february);
    struct Rewrite {
        const char* name;
        std::function<void()> rewrite;
    };
    const Rewrite rewrites[] = {
        {"the same size, a later time",
         [&] {
             std::string bytes = original;
             bytes.replace(bytes.find(Utf8ToCp1251("Иван")), 4, Utf8ToCp1251("Пётр"));
             folder_.Write("Output/Hor_02_2027.html", bytes);
             fs::last_write_time(february, written + std::chrono::seconds(1));
         }},
        {"another size, the same time",
         [&] {
             std::string bytes = original;
             bytes.replace(bytes.find(Utf8ToCp1251("Иван")), 4, Utf8ToCp1251("Анна-Мария"));
             folder_.Write("Output/Hor_02_2027.html", bytes);
             fs::last_write_time(february, written);
         }},
    };
    for (const Rewrite& r : rewrites) {
        r.rewrite();
        messages_.clear();
        QTest::mouseMove(MonthButton(3));
        QTest::mouseClick(MonthButton(3), Qt::LeftButton);
        EXPECT_FALSE(windows_.Month->isVisible()) << r.name;
        ASSERT_EQ(messages_.size(), 1u) << r.name;
        EXPECT_EQ(messages_[0],
                  "Страницу месяца «Февраль 2027» с тех пор переписал другой прогноз. Нажмите "
                  "кнопку темы, чтобы составить этот прогноз заново.")
            << r.name;
    }
    // As the run wrote it, the page shows again.
    folder_.Write("Output/Hor_02_2027.html", original);
    fs::last_write_time(february, written);
    messages_.clear();
    QTest::mouseClick(MonthButton(3), Qt::LeftButton);
    EXPECT_TRUE(messages_.empty());
    ASSERT_TRUE(WaitForMonthPage(PageUrl("Hor_02_2027.html")));
    EXPECT_TRUE(pageText().contains("Иван"));
    windows_.Month->accept();
    QTest::mouseMove(window_.get(), layout::MonthButton(6).bottomRight() + QPoint(40, 40));

    // A month whose page is gone: the viewer shows the page of its previous showing.
    fs::remove(Output("Hor_04_2027.html"));
    QTest::mouseClick(MonthButton(5), Qt::LeftButton);
    EXPECT_TRUE(windows_.Month->isVisible());
    ASSERT_TRUE(WaitForMonthPage(PageUrl("Hor_02_2027.html")));
    windows_.Month->accept();

    // Rewritten by a new run: a month not loaded ahead loads on its click; the
    // month after it, loaded ahead meanwhile, shows at once. Both show the new
    // page, with nothing to go back to.
    TypeBirth("Мария", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
    QTest::mouseClick(MonthButton(5), Qt::LeftButton);
    ASSERT_TRUE(loaded.wait(20000));
    EXPECT_EQ(browser->url(), PageUrl("Hor_04_2027.html"));
    EXPECT_TRUE(pageText().contains("Мария"));
    EXPECT_FALSE(browser->history()->canGoBack());
    windows_.Month->accept();
    ASSERT_TRUE(loadedAhead());
    QTest::mouseClick(MonthButton(6), Qt::LeftButton);
    EXPECT_EQ(browser->url(), PageUrl("Hor_05_2027.html"));
    EXPECT_FALSE(browser->page()->isLoading());
    EXPECT_TRUE(pageText().contains("Мария"));
    EXPECT_FALSE(browser->history()->canGoBack());
}

// No English of the toolkit or the browser: the print dialog, the page's menu,
// and a link to a page that is gone.
TEST_F(MainWindowTest, RussianDialogsAndMenus) {
    Open();
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    QTest::mouseClick(MonthButton(1), Qt::LeftButton);
    QWebEngineView* browser = windows_.Month->Browser();
    ASSERT_TRUE(WaitForMonthPage(PageUrl("Hor_12_2026.html")));

    // Words of the toolkit that are the same in Russian.
    const QStringList sameInRussian = {"PDF", "A4", "CUPS"};
    const auto englishWords = [&sameInRussian](const QStringList& texts) {
        QStringList english;
        static const QRegularExpression latinWord("[A-Za-z]{2,}");
        for (const QString& text : texts) {
            for (auto match = latinWord.globalMatch(text); match.hasNext();) {
                const QString word = match.next().captured();
                if (!sameInRussian.contains(word)) {
                    english.append(text);
                    break;
                }
            }
        }
        return english;
    };

    {
        const testing::ModalCloser closer;
        windows_.Month->findChild<QPushButton*>("BitBtn1")->click();
        ASSERT_EQ(closer.Seen().size(), 1u);
        const testing::SeenWindow& dialog = closer.Seen()[0];
        EXPECT_EQ(dialog.ClassName, "QPrintDialog");
        EXPECT_TRUE(dialog.Texts.contains("Печать")) << dialog.Texts.join(" | ").toStdString();
        EXPECT_TRUE(dialog.Texts.contains("Отмена")) << dialog.Texts.join(" | ").toStdString();
        EXPECT_EQ(englishWords(dialog.Texts), QStringList())
            << dialog.Texts.join(" | ").toStdString();
    }
    {
        const QStringList expected = {"Назад",      "Вперёд",       "Обновить",
                                      "Копировать", "Выделить всё", "Напечатать"};
        const testing::ModalCloser closer;
        // A right click into the page, as a person opens the menu.
        QWidget* page = browser->focusProxy();
        const QPoint at(200, 200);
        QTest::mousePress(page, Qt::RightButton, {}, at);
        QTest::mouseRelease(page, Qt::RightButton, {}, at);
        ASSERT_TRUE(QTest::qWaitFor([&closer] { return !closer.Seen().empty(); }));
        EXPECT_EQ(closer.Seen()[0].ClassName, "QMenu");
        EXPECT_EQ(closer.Seen()[0].Texts, expected);
    }
    {
        // A link to a page that was deleted: the viewer stays and says so.
        fs::remove(Output("Hor_02_2027.html"));
        const testing::ModalCloser closer;
        browser->page()->runJavaScript("document.querySelectorAll('a')[2].click();");
        ASSERT_TRUE(QTest::qWaitFor([&closer] { return !closer.Seen().empty(); }));
        const testing::SeenWindow& box = closer.Seen()[0];
        EXPECT_EQ(box.Text, QString::fromStdString("Эта страница не открывается: файла " +
                                                   Output("Hor_02_2027.html") + " нет."));
        EXPECT_EQ(box.Over, windows_.Month);
        QTest::qWait(200);
        EXPECT_EQ(browser->url(), PageUrl("Hor_12_2026.html"));
        EXPECT_TRUE(windows_.Month->isVisible());
    }
}

// Message boxes open centred over the window they concern, also at start-up.
TEST_F(MainWindowTest, MessageBoxesCentredOverTheirWindow) {
    fs::remove(folder_.Path() + "System/02.bmp");
    const testing::ModalCloser closer;
    Open(true);
    ASSERT_EQ(closer.Seen().size(), 1u);
    const testing::SeenWindow& box = closer.Seen()[0];
    EXPECT_EQ(box.Text.toStdString(), "Cannot open file \"" + folder_.Path() +
                                          "System/02.bmp\". No such file or directory");
    EXPECT_EQ(box.Over, window_.get());
    const QPoint offset = box.Frame.center() - window_->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << ", " << offset.y();

    // The main window stands centred on the screen.
    const QRect screen = window_->screen()->availableGeometry();
    const QPoint fromCentre = window_->frameGeometry().center() - screen.center();
    EXPECT_LE(fromCentre.manhattanLength(), 40) << fromCentre.x() << ", " << fromCentre.y();
}

// Collects the role and name of every visible node under node. (Qt's own
// interface classes have no type information the checker of dynamic types can
// follow across the libraries.)
__attribute__((no_sanitize("vptr"))) void WalkAccessibilityTree(
    QAccessibleInterface* node, std::vector<std::pair<QAccessible::Role, QString>>& found) {
    if (node == nullptr || node->state().invisible) {
        return;
    }
    found.emplace_back(node->role(), node->text(QAccessible::Name));
    for (int i = 0; i < node->childCount(); ++i) {
        WalkAccessibilityTree(node->child(i), found);
    }
}

// The windows a screen reader lists as the program's.
__attribute__((no_sanitize("vptr"))) QStringList ApplicationWindowNames() {
    QAccessibleInterface* application =
        QAccessible::queryAccessibleInterface(QCoreApplication::instance());
    QStringList names;
    for (int i = 0; i < application->childCount(); ++i) {
        names.append(application->child(i)->text(QAccessible::Name));
    }
    return names;
}

// A screen reader can name every control of the main window, hears the
// page's headings, paragraphs and pictures, and reads and sets the date fields.
TEST_F(MainWindowTest, WhatAScreenReaderFinds) {
    Open();
    TypeBirth("Иван", 5, 3, 1990);
    Find<QPushButton>("Button16")->click();
    const auto walk = [](QWidget* window) {
        std::vector<std::pair<QAccessible::Role, QString>> found;
        WalkAccessibilityTree(QAccessible::queryAccessibleInterface(window), found);
        return found;
    };
    QStringList names;
    for (const auto& [role, name] : walk(window_.get())) {
        if (role == QAccessible::EditableText || role == QAccessible::SpinBox ||
            role == QAccessible::PushButton) {
            EXPECT_FALSE(name.isEmpty()) << "role " << role;
            EXPECT_EQ(name, name.trimmed()) << "role " << role;
        }
        names.append(name);
    }
    for (const char* name :
         {"Nevalorum Pelinor Иван 5.3.1990 Любовный гороскоп", "Имя", "День рождения",
          "Месяц рождения", "Год рождения", "Финансы", "Бизнес", "Любовь", "Секс", "Отпуск",
          "Здоровье", "Выход", "Зачем это мне?", "Декабрь 2026", "Май 2027"}) {
        EXPECT_TRUE(names.contains(name)) << name << ": " << names.join(" | ").toStdString();
    }

    // The date fields: their value and limits as shown; a value set is kept
    // within the limits and taken by the next forecast.
    struct Field {
        const char* name;
        double value, minimum, maximum;
        double set, kept;
    };
    const Field fields[] = {{"SpinEdit1", 5, 1, 31, 40, 31},
                            {"SpinEdit2", 3, 1, 12, 7, 7},
                            {"SpinEdit3", 1990, 1920, 2030, 1985, 1985}};
    for (const Field& f : fields) {
        QAccessibleInterface* field =
            QAccessible::queryAccessibleInterface(Find<SpinField>(f.name));
        QAccessibleValueInterface* value = field->valueInterface();
        ASSERT_NE(value, nullptr) << f.name;
        EXPECT_EQ(value->currentValue().toDouble(), f.value) << f.name;
        EXPECT_EQ(value->minimumValue().toDouble(), f.minimum) << f.name;
        EXPECT_EQ(value->maximumValue().toDouble(), f.maximum) << f.name;
        value->setCurrentValue(f.set);
        EXPECT_EQ(value->currentValue().toDouble(), f.kept) << f.name;
    }
    Find<QPushButton>("Button16")->click();
    EXPECT_EQ(window_->windowTitle(),
              " Nevalorum Pelinor        Иван   31.7.1985     Любовный гороскоп");

    // As when a screen reader starts: the web engine, made ready, is told.
    windows_.Month->Browser();
    QAccessible::setActive(true);
    QTest::mouseClick(MonthButton(1), Qt::LeftButton);
    ASSERT_TRUE(WaitForMonthPage(PageUrl("Hor_12_2026.html")));
    // The page's words and the texts of its pictures, once the page has
    // given them to the tree.
    std::vector<std::pair<QAccessible::Role, QString>> viewer;
    const auto has = [&viewer](QAccessible::Role role, const QString& start) {
        return std::any_of(viewer.begin(), viewer.end(), [&](const auto& node) {
            return node.first == role && node.second.startsWith(start);
        });
    };
    // The chart names the days of the month's highest and lowest value.
    ForecastCaches caches;
    const Folders folders = WorkingFolders();
    const MonthInfluence influence =
        ComputeMonthInfluence({.Day = 31, .Month = 7, .Year = 1985}, {.Year = 2026, .Month = 12},
                              PlutoSource(folders.SystemFolder),
                              TopicSource(TopicFilePath(folders.SystemFolder, 3), caches.Topics));
    const auto byValue = [](const DayInfluence& a, const DayInfluence& b) {
        return a.Value < b.Value;
    };
    const int best = std::max_element(influence.Days.begin(), influence.Days.end(), byValue)->Day;
    const int worst = std::min_element(influence.Days.begin(), influence.Days.end(), byValue)->Day;
    ASSERT_NE(best, worst);
    const QString chart = QString(
                              "График на декабрь 2026 года: лучший день — %1 декабря, худший — "
                              "%2 декабря.")
                              .arg(best)
                              .arg(worst);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            viewer = walk(windows_.Month);
            return has(QAccessible::Graphic, "График на ");
        },
        20000));
    EXPECT_TRUE(has(QAccessible::Graphic, chart)) << chart.toStdString();
    QStringList viewerNames;
    for (const auto& [role, name] : viewer) {
        viewerNames.append(name);
    }
    const std::string all = viewerNames.join(" | ").toStdString();
    EXPECT_TRUE(has(QAccessible::Dialog, "Декабрь 2026 — Любовный гороскоп, Иван")) << all;
    // Only the windows a person sees: not the browsers' hidden drawing windows.
    EXPECT_EQ(ApplicationWindowNames(),
              QStringList({"Nevalorum Pelinor Иван 31.7.1985 Любовный гороскоп",
                           "Декабрь 2026 — Любовный гороскоп, Иван"}));
    EXPECT_TRUE(has(QAccessible::PushButton, "Напечатать")) << all;
    EXPECT_TRUE(has(QAccessible::PushButton, "Выйти")) << all;
    // Each mark of the legend is told with its meaning, before the legend's words.
    struct Mark {
        const char* alternative;
        const char* legend;
    };
    const Mark marks[] = {{"благоприятно, сила 1", "Очень слабое позитивное указание"},
                          {"благоприятно, сила 4", "Сильное позитивное указание"},
                          {"неблагоприятно, сила 3", "Негативное указание средней силы"},
                          {"неблагоприятно, сила 5", "Очень сильное негативное указание"}};
    for (const Mark& mark : marks) {
        bool told = false;
        for (std::size_t i = 0; i + 1 < viewer.size(); ++i) {
            told |= viewer[i].first == QAccessible::Graphic &&
                    viewer[i].second == mark.alternative &&
                    viewer[i + 1].second.contains(mark.legend);
        }
        EXPECT_TRUE(told) << mark.alternative << ": " << all;
    }
    EXPECT_TRUE(all.find("Гороскоп на 1 декабря") != std::string::npos) << all;
    QAccessible::setActive(false);
}

TEST(ViewerPlace, WithinTheAvailableArea) {
    struct Case {
        QSize screen;
        QRect available;
        QMargins frame;
        int wide;
        QRect expected;
    };
    const Case cases[] = {
        // Room enough: the rule's size, centred.
        {{1920, 1080}, {0, 0, 1920, 1040}, {1, 22, 1, 1}, 950, {485, 30, 950, 1000}},
        // 1024 x 768 with a panel: 1100 does not fit, nor 688 under a 22-pixel title.
        {{1024, 768}, {0, 0, 1024, 700}, {1, 22, 1, 1}, 1100, {1, 22, 1022, 677}},
        {{1024, 768}, {0, 0, 1024, 768}, {0, 0, 0, 0}, 1100, {0, 40, 1024, 688}},
        // 800 wide: 770, as the rule says.
        {{800, 600}, {0, 0, 800, 600}, {0, 0, 0, 0}, 1100, {15, 40, 770, 520}},
        // A second screen to the right.
        {{1280, 1024}, {1920, 0, 1280, 1024}, {0, 0, 0, 0}, 950, {2085, 40, 950, 944}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ViewerPlace(c.screen, c.available, c.frame, c.wide), c.expected)
            << c.screen.width() << "x" << c.screen.height() << " " << c.wide;
    }
}

TEST(ViewerSize, ByTheScreen) {
    struct Case {
        QSize screen;
        int wide;
        QSize expected;
    };
    const Case cases[] = {{{800, 768}, 950, {770, 688}},
                          {{801, 768}, 950, {950, 688}},
                          {{1920, 1080}, 1100, {1100, 1000}},
                          {{800, 600}, 1100, {770, 520}}};
    for (const Case& c : cases) {
        EXPECT_EQ(ViewerSize(c.screen, c.wide), c.expected);
    }
}

}  // namespace
}  // namespace nevalorum
