#include "report/month_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::SourceDataFolder;
using testing::TemporaryFolder;

// A System folder of its own: small fragments, a topic file with a few entries
// and the shipped Pluto table.
class MonthPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.Write("System/style_1.dat", "<style>tiny</style>\r\n");
        folder_.Write("System/style_2.dat",
                      "<style type=\"text/css\">\r\nbody { font-size: 13px }\r\n</style>");
        folder_.Write("System/style_3.dat", "");
        folder_.Write("System/style_4.dat", "<style>large</style>\r\n\r\n");
        folder_.Write("System/help.dat", "<p>Help \xEF\xEE\xEC\xEE\xF9\xFC</p>\r\n<p>end</p>\r\n");
        // Four of the aspects of January 2009 for a birth on 5 March 1970.
        folder_.Write("System/3.dat",
                      "*   1  60   1   2\r\nSun sextile Sun@\r\n"
                      "*   4  90   9 103\r\nVenus square <b>Neptune</b>@\r\n"
                      "*   5 120   7   0\r\nMars trine Saturn, code 0@\r\n"
                      "*   3 120   8   5\r\n\xC4\xE5\xED\xFC\r\nsecond line@\r\n");
        // A topic whose file names none of the month's aspects.
        folder_.Write("System/2.dat", "");
        std::filesystem::copy_file(SourceDataFolder() + "System/pluto.sys",
                                   folder_.Path() + "System/pluto.sys");
    }

    std::string Render(const MonthPageInputs& inputs) {
        const PlutoSource pluto(System());
        const TopicSource topic(System() + std::to_string(inputs.Topic) + ".dat", topicCache_);
        const MonthInfluence influence =
            ComputeMonthInfluence(inputs.Birth, inputs.Forecast, pluto, topic);
        return RenderMonthReport(inputs, influence, Working());
    }

    std::string System() const { return folder_.Path() + "System/"; }
    Folders Working() const { return Folders::ForWorkingFolder(folder_.Path()); }

    static std::vector<std::string> Lines(const std::string& page) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end = page.find("\r\n"); end != std::string::npos;
             end = page.find("\r\n", start)) {
            lines.push_back(Cp1251ToUtf8(page.substr(start, end - start)));
            start = end + 2;
        }
        EXPECT_EQ(start, page.size()) << "the page must end with CR LF";
        return lines;
    }

    // The run started in November 2008 for topic 3, born on 5 March 1970, page of January 2009.
    static MonthPageInputs WorkedExample() {
        return {.Topic = 3,
                .PersonName = "Анна",
                .Birth = {.Day = 5, .Month = 3, .Year = 1970},
                .Forecast = {.Year = 2009, .Month = 1},
                .Start = {.Year = 2008, .Month = 11},
                .FontSizeSetting = 1};
    }

    TemporaryFolder folder_;
    TopicFileCache topicCache_;
};

// The whole page of the worked example, byte for byte.
TEST_F(MonthPageTest, WorkedExampleMatchesGoldenPage) {
    const std::string page = Render(WorkedExample());
    const std::string goldenPath = testing::RequiredEnvironment("NEVALORUM_SOURCE_DIR") +
                                   "/tests/report/golden/Hor_01_2009.html";
    if (std::getenv("NEVALORUM_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(goldenPath, std::ios::binary) << page;
    }
    EXPECT_EQ(page, ReadWholeFile(goldenPath));
}

TEST_F(MonthPageTest, HeadingNavigationAndDayLines) {
    struct Case {
        const char* name;
        int topic, month, year, startMonth, startYear;
        std::vector<std::pair<std::size_t, std::string>> lines;  // line number (from 1), text
    };
    const std::string cell = "<td bgcolor=\"#EEF6FC\" align=\"center\"><a href=\"";
    const Case cases[] = {
        {"March: file names and heading word",
         3,
         3,
         2009,
         3,
         2009,
         {{9, cell + "Hor_03_2009.html\"><u><b>Март 2009</b></u></a></td>"},
          {21, "<h1> Любовный гороскоп на март 2009 года для Вас, Анна</h1>"},
          {23, "<img border=\"0\" src=\"Hor_03_2009.jpeg\" width=\"626\" height=\"205\">"}}},
        {"October needs no zero",
         3,
         10,
         2009,
         10,
         2009,
         {{9, cell + "Hor_10_2009.html\"><u><b>Октябрь 2009</b></u></a></td>"}}},
        {"a run started in September reaches February of the next year",
         3,
         9,
         2026,
         9,
         2026,
         {{9, cell + "Hor_09_2026.html\"><u><b>Сентябрь 2026</b></u></a></td>"},
          {12, cell + "Hor_12_2026.html\"><u><b>Декабрь 2026</b></u></a></td>"},
          {13, cell + "Hor_01_2027.html\"><u><b>Январь 2027</b></u></a></td>"},
          {14, cell + "Hor_02_2027.html\"><u><b>Февраль 2027</b></u></a></td>"}}},
        {"topic 2 has no leading blank",
         2,
         5,
         2026,
         5,
         2026,
         {{1,
           "<html> <head> <title>Бизнес-гороскоп </title>  <meta content=\"text/html; "
           "charset=windows-1251\" http-equiv=\"Content-Type\">"},
          {21, "<h1>Бизнес-гороскоп на май 2026 года для Вас, Анна</h1>"}}},
    };
    for (const Case& c : cases) {
        MonthPageInputs inputs = WorkedExample();
        inputs.Topic = c.topic;
        inputs.Forecast = {.Year = c.year, .Month = c.month};
        inputs.Start = {.Year = c.startYear, .Month = c.startMonth};
        // Line numbers above count the style fragment as one line (style_2 has three).
        inputs.FontSizeSetting = 0;
        const std::vector<std::string> lines = Lines(Render(inputs));
        for (const auto& [number, text] : c.lines) {
            ASSERT_LT(number - 1, lines.size()) << c.name;
            EXPECT_EQ(lines[number - 1], text) << c.name << ", line " << number;
        }
    }
}

TEST_F(MonthPageTest, FebruaryHasTwentyEightDaySections) {
    MonthPageInputs inputs = WorkedExample();
    inputs.Forecast = {.Year = 2024, .Month = 2};
    const std::string page = Cp1251ToUtf8(Render(inputs));
    EXPECT_NE(page.find("<p> <br> <b>Гороскоп на 28 февраля</b></p>"), std::string::npos);
    EXPECT_EQ(page.find("Гороскоп на 29 февраля"), std::string::npos);
    std::size_t sections = 0;
    for (std::size_t at = page.find("<p> <br> <b>Гороскоп на "); at != std::string::npos;
         at = page.find("<p> <br> <b>Гороскоп на ", at + 1)) {
        ++sections;
    }
    EXPECT_EQ(sections, 28u);
}

TEST_F(MonthPageTest, StyleFragmentBySetting) {
    struct Case {
        int setting;
        std::vector<std::string> styleLines;
    };
    const Case cases[] = {
        {0, {"<style>tiny</style>"}},
        {1, {"<style type=\"text/css\">", "body { font-size: 13px }", "</style>"}},
        {2, {""}},  // an empty file gives one empty line
        {3, {"<style>large</style>", ""}},
    };
    for (const Case& c : cases) {
        MonthPageInputs inputs = WorkedExample();
        inputs.FontSizeSetting = c.setting;
        const std::vector<std::string> lines = Lines(Render(inputs));
        const std::vector<std::string> style(
            lines.begin() + 1, lines.begin() + 1 + static_cast<long>(c.styleLines.size()));
        EXPECT_EQ(style, c.styleLines) << c.setting;
        EXPECT_EQ(lines[1 + c.styleLines.size()], "</head> <body bgcolor=\"#FFFFFF\">")
            << c.setting;
    }
}

TEST_F(MonthPageTest, NameIsEscapedForThePage) {
    struct Case {
        std::string name;
        std::string heading;
    };
    const Case cases[] = {
        {"", "<h1> Любовный гороскоп на январь 2009 года для Вас, </h1>"},
        {"<b>Tom & \"Jerry\"</b>",
         "<h1> Любовный гороскоп на январь 2009 года для Вас, &lt;b&gt;Tom &amp; "
         "&quot;Jerry&quot;&lt;/b&gt;</h1>"},
        {"Ωмега 😀",
         "<h1> Любовный гороскоп на январь 2009 года для Вас, &#937;мега &#128512;</h1>"},
        {"Семён «Ё»", "<h1> Любовный гороскоп на январь 2009 года для Вас, Семён «Ё»</h1>"},
    };
    for (const Case& c : cases) {
        MonthPageInputs inputs = WorkedExample();
        inputs.PersonName = c.name;
        inputs.FontSizeSetting = 0;
        EXPECT_EQ(Lines(Render(inputs))[20], c.heading) << c.name;
    }
    EXPECT_THROW(EscapeNameForPage("bad \xFF byte"), Error);
}

TEST(FragmentLines, SplitsAtLineBreaks) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FragmentLines(c.bytes), c.lines) << c.bytes;
    }
}

// A missing or unreadable fragment is an error that names the file and why.
TEST_F(MonthPageTest, FragmentErrorsNameTheFile) {
    const MonthPageInputs inputs = WorkedExample();
    const PlutoSource pluto(System());
    const TopicSource topic(System() + "3.dat", topicCache_);
    const MonthInfluence influence =
        ComputeMonthInfluence(inputs.Birth, inputs.Forecast, pluto, topic);
    std::filesystem::remove(System() + "help.dat");
    struct Case {
        std::function<void()> arrange;
        std::string message;
    };
    const Case cases[] = {
        {[] {}, "File not found: " + System() + "help.dat (No such file or directory)"},
        {[&] { std::filesystem::create_directory(System() + "help.dat"); },
         "I/O error 21: " + System() + "help.dat (Is a directory)"},
    };
    for (const Case& c : cases) {
        c.arrange();
        try {
            RenderMonthReport(inputs, influence, Working());
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const InputOutputError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
}

}  // namespace
}  // namespace nevalorum
