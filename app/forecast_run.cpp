#include "app/forecast_run.h"

#include <cstdio>

#include "common/errors.h"
#include "ephemeris/time_scale.h"
#include "report/month_chart.h"
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
    DrawMonthChart(influence, forecast, folders, caches.ChartTemplates);
    const MonthPageInputs page{.Topic = state.Topic,
                               .PersonName = state.PersonName,
                               .Birth = state.Birth(),
                               .Forecast = forecast,
                               .Start = state.Start(),
                               .FontSizeSetting = state.FontSizeSetting};
    return WriteMonthReport(page, influence, folders);
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

void RunForecast(RunState& state, const Folders& folders, const CalendarMonth& today,
                 ForecastCaches& caches,
                 const std::function<void(const FinishedMonth&)>& onMonthDone) {
    CheckBirthDate(state.Birth());
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
