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
std::string ForecastOneMonth(const RunState& state, const Folders& folders, int month, int year,
                             ForecastCaches& caches) {
    const PlutoSource pluto(folders.SystemFolder, caches.Pluto);
    const TopicSource topic(TopicFilePath(folders.SystemFolder, state.Topic), caches.Topics);
    const MonthInfluence influence = ComputeMonthInfluence(
        state.BirthYear, state.BirthMonth, state.BirthDay, year, month, pluto, topic);
    DrawMonthChart(influence, month, year, folders.ProgramFolder, folders.SystemFolder,
                   caches.ChartTemplates);
    const MonthPageInputs page{
        state.Topic, state.PersonName, state.BirthYear,  state.BirthMonth,     state.BirthDay, year,
        month,       state.StartYear,  state.StartMonth, state.FontSizeSetting};
    return WriteMonthReport(page, influence, topic, folders.ProgramFolder, folders.SystemFolder);
}

}  // namespace

std::string NeutralButtonCaption(int button) {
    return std::to_string(button) + "-й месяц";
}

std::string TopicFilePath(const std::string& systemFolder, int topic) {
    return systemFolder + std::to_string(topic) + ".dat";
}

void CheckBirthDate(int day, int month, int year) {
    char date[48];
    std::snprintf(date, sizeof date, "%02d.%02d.%d", day, month, year);
    if (year < 1920 || year > 2030) {
        throw Error(std::string("Год рождения ") + std::to_string(year) +
                    " вне допустимых пределов: укажите год от 1920 до 2030.");
    }
    if (!CalendarDateExists(day, month, year)) {
        throw Error(std::string("Даты рождения ") + date +
                    " не существует: проверьте день и месяц рождения.");
    }
}

void RunForecast(RunState& state, const Folders& folders, int todayMonth, int todayYear,
                 ForecastCaches& caches,
                 const std::function<void(const FinishedMonth&)>& onMonthDone) {
    CheckBirthDate(state.BirthDay, state.BirthMonth, state.BirthYear);
    state.StartMonth = todayMonth;
    state.StartYear = todayYear;
    for (int i = 0; i < 6; ++i) {
        FinishedMonth done;
        done.Button = i + 1;
        done.Month = state.StartMonth + i;
        done.Year = state.StartYear;
        if (done.Month > 12) {
            done.Month -= 12;
            done.Year = state.StartYear + 1;
        }
        if (state.Topic >= 1 && state.Topic <= 7) {
            done.PagePath = ForecastOneMonth(state, folders, done.Month, done.Year, caches);
            state.MonthPagePaths[done.Month] = done.PagePath;
        }
        done.Caption =
            std::string(MonthNamesCapitalized[done.Month]) + " " + std::to_string(done.Year);
        state.ButtonMonths[done.Button] = done.Month;
        if (onMonthDone) {
            onMonthDone(done);
        }
    }
}

}  // namespace nevalorum
