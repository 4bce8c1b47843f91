#include "app/gui/main_window.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <filesystem>

#include "app/gui/about_form.h"
#include "app/gui/report_viewer.h"
#include "common/files.h"
#include "tests/support/installed_folder.h"

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
        // Help pages of this test's own, whether or not the installation ships any.
        folder_.Write("Help/10.html", "<html><body><h1>Помощь</h1></body></html>");
    }

    // Creates and shows the window, and waits for its setup.
    void Open() {
        window_ = std::make_unique<TZNevalorumPelinorForm>(WorkingFolders(), [] { return Today; });
        window_->SetErrorPresenter(
            [this](const QString& message) { messages_.push_back(message); });
        windows_.About = new TAbout_Form(window_.get());
        windows_.Introduction = new TForm22(window_.get());
        windows_.Month = new TForm2(window_.get());
        windows_.Help = new ReportViewer(window_.get(), "HelpViewer", 950);
        window_->SetWindows(windows_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_->SetupDone(); }));
    }

    template <typename Widget>
    Widget* Find(const char* name) const {
        Widget* widget = window_->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void TypeBirth(const QString& name, int day, int month, int year) {
        Find<QLineEdit>("Edit1")->setText(name);
        Find<QSpinBox>("SpinEdit1")->setValue(day);
        Find<QSpinBox>("SpinEdit2")->setValue(month);
        Find<QSpinBox>("SpinEdit3")->setValue(year);
    }

    std::string Output(const std::string& name) const { return folder_.Path() + "Output/" + name; }

    // Waits until the browser has loaded a page; true when it did.
    static bool WaitForLoad(QWebEngineView* browser) {
        QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
        return loaded.wait(20000) && loaded.takeFirst().at(0).toBool();
    }

    std::unique_ptr<TZNevalorumPelinorForm> window_;
    SecondaryWindows windows_;
    std::vector<QString> messages_;
};

TEST_F(MainWindowTest, FirstShownWithTodayAndNoMonths) {
    Open();
    EXPECT_EQ(window_->windowTitle(), "  Nevalorum Pelinor");
    EXPECT_EQ(window_->size(), QSize(800, 600));
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
    EXPECT_EQ(Find<QSpinBox>("SpinEdit1")->value(), 8);
    EXPECT_EQ(Find<QSpinBox>("SpinEdit2")->value(), 12);
    EXPECT_EQ(Find<QSpinBox>("SpinEdit3")->value(), 2026);
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
        EXPECT_EQ(window_->State().FontSizeSetting, 1);
    }
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
    EXPECT_TRUE(FileExists(Output("Hor_12_2026.html")));
    EXPECT_TRUE(FileExists(Output("Hor_05_2027.jpeg")));
    EXPECT_TRUE(FileExists(Output("Horoscop.zip")));
    EXPECT_FALSE(Find<QProgressBar>("ArchiveProgress")->isVisible());
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
         [this] { Find<QSpinBox>("SpinEdit1")->findChild<QLineEdit*>()->setText(""); },
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

TEST_F(MainWindowTest, MissingDataFilesOfTheSetupAreShown) {
    struct Case {
        const char* file;
        std::string message;
    };
    const Case cases[] = {
        {"System/set.dat",
         "File not found: " + folder_.Path() + "System/set.dat (No such file or directory)"},
        {"System/02.bmp",
         "Cannot open file \"" + folder_.Path() + "System/02.bmp\". No such file or directory"},
    };
    for (const Case& c : cases) {
        fs::copy(testing::SourceDataFolder(), folder_.Path(),
                 fs::copy_options::recursive | fs::copy_options::skip_existing);
        fs::remove(folder_.Path() + c.file);
        messages_.clear();
        Open();
        ASSERT_EQ(messages_.size(), 1u) << c.file;
        EXPECT_EQ(messages_[0].toStdString(), c.message);
        TypeBirth("Иван", 5, 3, 1990);
        Find<QPushButton>("Button13")->click();
        EXPECT_TRUE(Find<QPushButton>("Button6")->isEnabled()) << c.file;
    }
    fs::copy(testing::SourceDataFolder(), folder_.Path(),
             fs::copy_options::recursive | fs::copy_options::skip_existing);
    folder_.Write("System/set.dat", "x\r\n0\r\ntext\r\n");
    messages_.clear();
    Open();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].startsWith("Invalid numeric input")) << messages_[0].toStdString();
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
    Find<QPushButton>("Button2")->click();
    QWebEngineView* browser = windows_.Month->Browser();
    ASSERT_TRUE(WaitForLoad(browser));
    EXPECT_EQ(browser->url(),
              QUrl::fromLocalFile(QString::fromStdString(Output("Hor_01_2027.html"))));

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

    const std::string pdf = folder_.Path() + "page.pdf";
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    QSignalSpy printed(windows_.Month, &ReportViewer::PrintFinished);
    windows_.Month->PrintPage(&printer);
    ASSERT_TRUE(printed.wait(20000));
    EXPECT_TRUE(printed.takeFirst().at(0).toBool());
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
