#include "app/forecast_run.h"

#include <cstdio>
#include <optional>

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "ephemeris/time_scale.h"
#include "report/month_chart.h"
#include "report/month_files.h"
#include "report/month_page.h"
#include "report/name_tables.h"
#include "transit/month_influence.h"

namespace nevalorum {
namespace {

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
    char date[48];
    std::snprintf(date, sizeof date, "%02d.%02d.%d", birth.Day, birth.Month, birth.Year);
    if (birth.Year < 1920 || birth.Year > 2030) {
        throw Error(std::string("Год рождения ") + std::to_string(birth.Year) +
                    " вне допустимых пределов: укажите год от 1920 до 2030.");
    }
    if (!CalendarDateExists(birth)) {
        throw Error(std::string("Даты рождения ") + date +
                    " не существует: проверьте день и месяц рождения.");
    }
}

void CheckPersonName(const std::string& name) {
    std::size_t offset = 0;
    for (int position = 1; offset < name.size(); ++position) {
        const std::optional<char32_t> character = DecodeUtf8At(name, offset);
        if (!character) {
            throw Error("Имя содержит в позиции " + std::to_string(position) +
                        " байт, который не является символом UTF-8: проверьте имя.");
        }
        if (*character < 0x20 || *character == 0x7F) {
            throw Error("Имя содержит в позиции " + std::to_string(position) +
                        " управляющий символ (код " + std::to_string(*character) +
                        "): уберите его из имени.");
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
