#include "report/forecast_calendar.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include "common/codepage.h"
#include "common/files.h"
#include "tests/support/shell.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::RunCommand;
using testing::TemporaryFolder;

InfluencePeriod Period(AspectKey key, CalendarDate first, CalendarDate last, int strength,
                       const std::string& utf8Text) {
    return {.Key = key,
            .First = first,
            .Last = last,
            .Reading = {.Paragraph = WithBullet(Utf8ToCp1251(utf8Text), strength),
                        .Strength = strength}};
}

TEST(PeriodWords, NamesDatesAndStrengths) {
    struct Case {
        std::string got;
        std::string expected;
    };
    const Case cases[] = {
        {AspectSummary({.TransitBody = Venus, .Aspect = 120, .NatalBody = Jupiter}),
         "Венера в трине к натальному Юпитеру"},
        {AspectSummary({.TransitBody = Mars, .Aspect = 0, .NatalBody = Venus}),
         "Марс в соединении с натальной Венерой"},
        {AspectSummary({.TransitBody = Sun, .Aspect = 180, .NatalBody = Sun}),
         "Солнце в оппозиции к натальному Солнцу"},
        {AspectSummary({.TransitBody = Mercury, .Aspect = 60, .NatalBody = Pluto}),
         "Меркурий в секстиле к натальному Плутону"},
        {AspectSummary({.TransitBody = Mercury, .Aspect = 90, .NatalBody = Saturn}),
         "Меркурий в квадрате к натальному Сатурну"},
        {StrengthWords(4), "благоприятно, сила 4"},
        {StrengthWords(-3), "неблагоприятно, сила 3"},
        {StrengthWords(0), "без оценки"},
        {PeriodDates({3, 3, 2027}, {12, 3, 2027}), "3–12 марта"},
        {PeriodDates({5, 5, 2027}, {5, 5, 2027}), "5 мая"},
        {PeriodDates({30, 1, 2027}, {2, 2, 2027}), "30 января – 2 февраля"},
        {PeriodDates({30, 12, 2026}, {2, 1, 2027}), "30 декабря – 2 января"},
        {DayList({4, 9, 20}, 11), "4, 9 и 20 ноября"},
        {DayList({7}, 5), "7 мая"},
        {DayList({}, 5), "нет"},
        {PlainText("<b>Да</b>,&nbsp;это &amp; то<br>  &#1071; &#x44F; &zz; x"),
         "Да, это & то Я я &zz; x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got, c.expected);
    }
}

// The calendar as two independent readers see it: libical's parser and
// Debian's python3-icalendar. One event per period, with its dates (the end
// the day after the last), its summary, its text and category; exported again
// at another moment, the same UIDs, so that an import updates.
TEST(ForecastCalendar, OneEventPerPeriodReadBackByTwoReaders) {
    const ForecastSubject subject{.PersonName = "Анна; \"А,Б\"",
                                  .Birth = {.Day = 5, .Month = 3, .Year = 1990},
                                  .Topic = 3,
                                  .Start = {.Year = 2026, .Month = 12}};
    const std::string longText(40, 'x');
    ForecastPeriods periods;
    periods.Periods = {
        Period({Venus, 120, Jupiter}, {30, 12, 2026}, {2, 1, 2027}, 4,
               "Венера, Юпитер; нежность: «да» & <b>всё</b>. Длинная строка " + longText),
        Period({Mars, 90, Sun}, {5, 1, 2027}, {5, 1, 2027}, -3, "Спор"),
        Period({Venus, 120, Jupiter}, {7, 1, 2027}, {9, 1, 2027}, 4, "Снова"),
    };
    TemporaryFolder folder;
    const std::string first =
        folder.Write("first.ics", RenderForecastCalendar(subject, periods, 1800000000));
    const std::string second =
        folder.Write("second.ics", RenderForecastCalendar(subject, periods, 1800086400));

    // libical
    const std::string bytes = ReadWholeFile(first);
    icalcomponent* calendar = icalparser_parse_string(bytes.c_str());
    ASSERT_NE(calendar, nullptr);
    std::vector<std::string> uids;
    std::size_t index = 0;
    for (icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
         event != nullptr;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT), ++index) {
        ASSERT_LT(index, periods.Periods.size());
        const InfluencePeriod& period = periods.Periods[index];
        const icaltimetype start = icalcomponent_get_dtstart(event);
        const icaltimetype end = icalcomponent_get_dtend(event);
        EXPECT_TRUE(start.is_date);
        EXPECT_EQ((std::vector<int>{start.day, start.month, start.year}),
                  (std::vector<int>{period.First.Day, period.First.Month, period.First.Year}));
        icaltimetype dayAfter = icaltime_null_date();
        dayAfter.day = period.Last.Day;
        dayAfter.month = period.Last.Month;
        dayAfter.year = period.Last.Year;
        icaltime_adjust(&dayAfter, 1, 0, 0, 0);
        EXPECT_EQ(icaltime_compare_date_only(end, dayAfter), 0) << index;
        EXPECT_EQ(std::string(icalcomponent_get_summary(event)), PeriodSummary(period));
        EXPECT_EQ(std::string(icalcomponent_get_description(event)),
                  PlainText(ParagraphHtml(period.Reading)));
        uids.push_back(icalcomponent_get_uid(event));
    }
    icalcomponent_free(calendar);
    EXPECT_EQ(index, periods.Periods.size());
    EXPECT_EQ(uids[0], PeriodUid(subject, periods.Periods[0]));
    EXPECT_NE(uids[0], uids[2]);  // the same aspect, resumed
    EXPECT_TRUE(uids[0].ends_with("@nevalorum-pelinor"));
    for (const std::string& line : {std::string("\r\n") + "X-WR-CALNAME:"}) {
        EXPECT_NE(bytes.find(line), std::string::npos) << line;
    }

    // python3-icalendar: both exports merged by UID, as a calendar imports them.
    const testing::CommandResult python = RunCommand(
        "/usr/bin/python3 -c \"import icalendar, sys\n"
        "events = {}\n"
        "for path in sys.argv[1:]:\n"
        "    calendar = icalendar.Calendar.from_ical(open(path, 'rb').read())\n"
        "    for event in calendar.walk('VEVENT'):\n"
        "        events[str(event['UID'])] = event\n"
        "        print(event['DTSTART'].dt, event['DTEND'].dt, event['SUMMARY'], '|', "
        "event['CATEGORIES'].cats[0], '|', event['DESCRIPTION'])\n"
        "print(len(events))\" '" +
        first + "' '" + second + "'");
    ASSERT_EQ(python.ExitCode, 0) << python.Output;
    EXPECT_TRUE(python.Output.ends_with("\n3\n")) << python.Output;
    EXPECT_NE(python.Output.find("2026-12-30 2027-01-03 Венера в трине к натальному Юпитеру · "
                                 "благоприятно, сила 4 | Благоприятно | Венера, Юпитер; нежность: "
                                 "«да» & всё. Длинная строка " +
                                 longText + "\n"),
              std::string::npos)
        << python.Output;
    EXPECT_NE(python.Output.find("2027-01-05 2027-01-06 Марс в квадрате к натальному Солнцу · "
                                 "неблагоприятно, сила 3 | Неблагоприятно | Спор\n"),
              std::string::npos)
        << python.Output;
}

}  // namespace
}  // namespace nevalorum
