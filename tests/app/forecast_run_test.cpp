#include "app/forecast_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/name_tables.h"
#include "tests/support/installed_folder.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

class ForecastRunTest : public testing::InstalledFolderTest {
  protected:
    // The months as the run reported them one by one; the result must hold the same.
    std::vector<FinishedMonth> Run(int todayMonth, int todayYear) {
        std::vector<FinishedMonth> finished;
        const ForecastResult result =
            RunHere({.Year = todayYear, .Month = todayMonth},
                    [&](const FinishedMonth& done) { finished.push_back(done); });
        EXPECT_EQ(result.Start.Month, todayMonth);
        EXPECT_EQ(result.Start.Year, todayYear);
        EXPECT_EQ(result.Months.size(), finished.size());
        for (std::size_t i = 0; i < finished.size() && i < result.Months.size(); ++i) {
            EXPECT_EQ(result.Months[i].PagePath, finished[i].PagePath);
            EXPECT_EQ(result.Months[i].Button, finished[i].Button);
        }
        return finished;
    }

    std::string Output(const std::string& name) const { return folder_.Path() + "Output/" + name; }
};

TEST_F(ForecastRunTest, SixMonthsAcrossTheYearEnd) {
    const std::vector<FinishedMonth> finished = Run(9, 2026);
    const std::vector<std::pair<int, int>> months = {{9, 2026},  {10, 2026}, {11, 2026},
                                                     {12, 2026}, {1, 2027},  {2, 2027}};
    const char* captions[] = {"Сентябрь 2026", "Октябрь 2026", "Ноябрь 2026",
                              "Декабрь 2026",  "Январь 2027",  "Февраль 2027"};
    ASSERT_EQ(finished.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const auto [month, year] = months[i];
        char name[32];
        std::snprintf(name, sizeof name, "Hor_%02d_%d", month, year);
        EXPECT_EQ(finished[i].Button, i + 1);
        EXPECT_EQ(finished[i].Caption, captions[i]);
        EXPECT_EQ(finished[i].PagePath, Output(std::string(name) + ".html"));
        EXPECT_EQ(finished[i].Forecast.Month, month);
        EXPECT_EQ(finished[i].Forecast.Year, year);
        EXPECT_TRUE(FileExists(Output(std::string(name) + ".html"))) << name;
        EXPECT_TRUE(FileExists(Output(std::string(name) + ".jpeg"))) << name;
    }
}

TEST_F(ForecastRunTest, MonthsOfEarlierRunsStay) {
    const std::string january = Run(1, 2026).front().PagePath;
    const std::vector<FinishedMonth> july = Run(7, 2026);
    EXPECT_TRUE(FileExists(january));
    EXPECT_EQ(july.front().Forecast.Month, 7);
    EXPECT_EQ(july.back().Forecast.Month, 12);
}

// Every topic's run writes its own six pages from its own file; a number
// outside 1 to 7 computes nothing.
TEST_F(ForecastRunTest, EveryTopicThroughTheRun) {
    for (int topic = 0; topic <= 8; ++topic) {
        SCOPED_TRACE("topic " + std::to_string(topic));
        fs::remove(Output("Hor_09_2026.html"));
        request_.Topic = topic;
        const std::vector<FinishedMonth> finished = Run(9, 2026);
        ASSERT_EQ(finished.size(), 6u);
        if (topic < 1 || topic > 7) {
            EXPECT_EQ(finished.front().PagePath, "");
            EXPECT_FALSE(FileExists(Output("Hor_09_2026.html")));
            continue;
        }
        const std::string page = Cp1251ToUtf8(ReadWholeFile(finished.front().PagePath));
        const std::string title(TopicTitles[topic]);
        EXPECT_NE(page.find("<h1>" + title + "на "), std::string::npos) << page.substr(0, 400);
        // The first paragraph of the page is one of the topic's own file.
        const std::size_t first = page.find("<p><img");
        ASSERT_NE(first, std::string::npos);
        const std::string paragraph = page.substr(first, page.find("\r\n", first) - first);
        const std::string text = paragraph.substr(paragraph.find('>', paragraph.find("<img")) + 1);
        const std::string topicFile = Cp1251ToUtf8(
            ReadWholeFile(WorkingFolders().SystemFolder + std::to_string(topic) + ".dat"));
        EXPECT_NE(topicFile.find(text.substr(0, text.size() - 4)), std::string::npos) << text;
    }
}

TEST_F(ForecastRunTest, MissingOutputFolderStopsInTheFirstMonth) {
    fs::remove_all(folder_.Path() + "Output");
    try {
        Run(9, 2026);
        ADD_FAILURE() << "no error";
    } catch (const InputOutputError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + Output("Hor_09_2026.jpeg") +
                                                 "\". No such file or directory");
    }
    EXPECT_FALSE(fs::exists(folder_.Path() + "Output"));
}

// An error in a later month keeps the months before it.
TEST_F(ForecastRunTest, ErrorEndsTheRunAtItsMonth) {
    // A folder in place of the third month's page makes its rename fail.
    fs::create_directories(Output("Hor_11_2026.html/blocker"));
    std::vector<FinishedMonth> finished;
    EXPECT_THROW(RunHere({.Year = 2026, .Month = 9},
                         [&](const FinishedMonth& done) { finished.push_back(done); }),
                 InputOutputError);
    EXPECT_EQ(finished.size(), 2u);
    EXPECT_TRUE(FileExists(Output("Hor_10_2026.html")));
    EXPECT_FALSE(FileExists(Output("Hor_12_2026.html")));
}

TEST_F(ForecastRunTest, BirthDateThatDoesNotExistWritesNothing) {
    struct Case {
        int day, month, year;
        std::string message;
    };
    const Case cases[] = {
        {31, 2, 1990, "Даты рождения 31.02.1990 не существует: проверьте день и месяц рождения."},
        {29, 2, 1991, "Даты рождения 29.02.1991 не существует: проверьте день и месяц рождения."},
        {31, 4, 1990, "Даты рождения 31.04.1990 не существует: проверьте день и месяц рождения."},
        {1, 1, 1919, "Год рождения 1919 вне допустимых пределов: укажите год от 1920 до 2030."},
        {1, 1, 2031, "Год рождения 2031 вне допустимых пределов: укажите год от 1920 до 2030."},
    };
    for (const Case& c : cases) {
        request_.Birth = {.Day = c.day, .Month = c.month, .Year = c.year};
        try {
            Run(9, 2026);
            ADD_FAILURE() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
    EXPECT_FALSE(FileExists(Output("Hor_09_2026.html")));
    EXPECT_NO_THROW(CheckBirthDate({.Day = 29, .Month = 2, .Year = 1992}));
}

// The birth date reaches the page as typed: a day and a month that are both
// months (5 March against 3 May) must not trade places anywhere on the way.
TEST_F(ForecastRunTest, BirthDateReachesThePageUnswapped) {
    request_.Birth = {.Day = 5, .Month = 3, .Year = 1990};
    Run(9, 2026);
    const std::string page = Cp1251ToUtf8(ReadWholeFile(Output("Hor_10_2026.html")));
    EXPECT_NE(page.find("<h3> Дата рождения: 5 марта 1990г. </h3>"), std::string::npos);

    // The page's paragraphs are those of the natal positions of 5 March.
    const auto paragraphs = [&](const CalendarDate& birth) {
        const MonthInfluence month = ComputeMonthInfluence(
            birth, {.Year = 2026, .Month = 10}, PlutoSource(WorkingFolders().SystemFolder),
            TopicSource(TopicFilePath(WorkingFolders().SystemFolder, 3), caches_.Topics));
        std::string all;
        for (const DayInfluence& day : month.Days) {
            for (const AspectHit& hit : day.Hits) {
                all += Cp1251ToUtf8(hit.Reading.Paragraph) + "\n";
            }
        }
        return all;
    };
    const std::string march = paragraphs({.Day = 5, .Month = 3, .Year = 1990});
    const std::string may = paragraphs({.Day = 3, .Month = 5, .Year = 1990});
    ASSERT_NE(march, may);
    // The paragraphs stand between the chart and the legend, one per line.
    const std::size_t legend = page.find("<h1>Обозначения</h1>");
    std::string written;
    for (std::size_t at = page.find("<p><img"); at < legend; at = page.find("<p><img", at + 1)) {
        written += page.substr(at, page.find("\r\n", at) - at) + "\n";
    }
    EXPECT_TRUE(written == march) << "the page holds other paragraphs than those of 5 March";
}

// Pluto's table is read as far as the run needs: the birth may lie after the
// forecast's months, as late as the last birth year allowed.
TEST_F(ForecastRunTest, BirthAfterTheForecastMonths) {
    request_.Birth = {.Day = 31, .Month = 12, .Year = 2030};
    EXPECT_EQ(Run(1, 2000).size(), 6u);
    EXPECT_TRUE(FileExists(Output("Hor_06_2000.html")));
}

TEST(NeutralButtonCaption, CountsTheButtons) {
    EXPECT_EQ(NeutralButtonCaption(1), "1-й месяц");
    EXPECT_EQ(NeutralButtonCaption(6), "6-й месяц");
}

}  // namespace
}  // namespace nevalorum
