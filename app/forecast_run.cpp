#include "app/forecast_run.h"

#include <cstdio>
#include <optional>

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "common/messages.h"
#include "ephemeris/time_scale.h"
#include "report/month_chart.h"
#include "report/month_files.h"
#include "report/month_page.h"
#include "report/name_tables.h"
#include "transit/month_influence.h"

namespace nevalorum {
namespace {

// The refusals of a birth date and a name, which the window gives in Russian.
constexpr SharedMessage BirthYearOutOfRange{
    .Id = MessageId("The birth year %d lies outside the limits: give a year from 1920 to 2030."),
    .Russian = "Год рождения %d вне допустимых пределов: укажите год от 1920 до 2030."};
constexpr SharedMessage NoSuchBirthDate{
    .Id = MessageId("The birth date %s does not exist: check the day and month of birth."),
    .Russian = "Даты рождения %s не существует: проверьте день и месяц рождения."};
constexpr SharedMessage NameByteNotUtf8{
    .Id = MessageId(
        "The name holds at position %d a byte that is not a UTF-8 character: check the name."),
    .Russian =
        "Имя содержит в позиции %d байт, который не является символом UTF-8: проверьте имя."};
constexpr SharedMessage NameControlCharacter{
    .Id = MessageId(
        "The name holds at position %d a control character (code %u): remove it from the name."),
    .Russian = "Имя содержит в позиции %d управляющий символ (код %u): уберите его из имени."};

// The page of one month: its influence, its chart, its page, in that order.
std::string ForecastOneMonth(const RunState& state, const Folders& folders,
                             const CalendarMonth& forecast, ForecastCaches& caches) {
    const PlutoSource pluto(folders.SystemFolder, caches.Pluto);
    const TopicSource topic(TopicFilePath(folders.SystemFolder, state.Topic), caches.Topics);
    const MonthInfluence influence = ComputeMonthInfluence(state.Birth(), forecast, pluto, topic);
    const std::string jpeg = DrawMonthChart(influence, forecast, folders, caches.ChartTemplates);
    const MonthPageInputs inputs{.Topic = state.Topic,
                                 .PersonName = state.PersonName,
                                 .Birth = state.Birth(),
                                 .Forecast = forecast,
                                 .Start = state.Start(),
                                 .FontSizeSetting = state.FontSizeSetting};
    const std::string page = RenderMonthReport(inputs, influence, folders);

    // The chart and its page replace their old files together, or neither does.
    PendingFile chartFile(folders.OutputFolder + MonthFileName(forecast, ".jpeg"));
    chartFile.Write(jpeg);
    PendingFile pageFile(folders.OutputFolder + MonthFileName(forecast, ".html"));
    pageFile.Write(page);
    CommitTogether({&chartFile, &pageFile});
    return pageFile.Target();
}

}  // namespace

std::string NeutralButtonCaption(int button) {
    return std::to_string(button) + "-й месяц";
}

std::string TopicFilePath(const std::string& systemFolder, int topic) {
    return systemFolder + std::to_string(topic) + ".dat";
}

void CheckBirthDate(const CalendarDate& birth) {
    if (birth.Year < 1920 || birth.Year > 2030) {
        throw Error(Format(Wording(BirthYearOutOfRange), birth.Year));
    }
    if (!CalendarDateExists(birth)) {
        char date[48];
        std::snprintf(date, sizeof date, "%02d.%02d.%d", birth.Day, birth.Month, birth.Year);
        throw Error(Format(Wording(NoSuchBirthDate), date));
    }
}

void CheckPersonName(const std::string& name) {
    std::size_t offset = 0;
    for (int position = 1; offset < name.size(); ++position) {
        const std::optional<char32_t> character = DecodeUtf8At(name, offset);
        if (!character) {
            throw Error(Format(Wording(NameByteNotUtf8), position));
        }
        if (*character < 0x20 || *character == 0x7F) {
            throw Error(
                Format(Wording(NameControlCharacter), position, static_cast<unsigned>(*character)));
        }
    }
}

void RunForecast(RunState& state, const Folders& folders, const CalendarMonth& today,
                 ForecastCaches& caches,
                 const std::function<void(const FinishedMonth&)>& onMonthDone) {
    CheckBirthDate(state.Birth());
    CheckPersonName(state.PersonName);
    // Temporary files of an interrupted earlier run would otherwise stay for ever.
    RemoveTemporaryFiles(folders.OutputFolder);
    RemoveTemporaryFiles(folders.SystemFolder);
    state.StartMonth = today.Month;
    state.StartYear = today.Year;
    for (int i = 0; i < 6; ++i) {
        FinishedMonth done;
        done.Button = i + 1;
        done.Forecast = state.Start().Plus(i);
        const int month = done.Forecast.Month;
        if (state.Topic >= 1 && state.Topic <= 7) {
            done.PagePath = ForecastOneMonth(state, folders, done.Forecast, caches);
            state.MonthPagePaths[month] = done.PagePath;
        }
        done.Caption =
            std::string(MonthNamesCapitalized[month]) + " " + std::to_string(done.Forecast.Year);
        state.ButtonMonths[done.Button] = month;
        if (onMonthDone) {
            onMonthDone(done);
        }
    }
}

}  // namespace nevalorum
