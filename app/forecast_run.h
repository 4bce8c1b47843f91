#pragma once
// The forecast run: six consecutive months from today's month, each computed,
// charted and written as a page, in that order.

#include <array>
#include <functional>
#include <string>

#include "common/folders.h"
#include "ephemeris/pluto_table.h"
#include "ephemeris/time_scale.h"
#include "report/month_chart.h"
#include "transit/interpretation.h"

namespace nevalorum {

// The inputs of a run and what the run leaves for the window.
struct RunState {
    std::string PersonName;  // UTF-8, as typed, possibly empty
    int BirthDay = 1;
    int BirthMonth = 1;
    int BirthYear = 1990;
    int Topic = 1;            // 1 to 7; any other value computes nothing
    int FontSizeSetting = 1;  // 0 to 3: picks the pages' style fragment

    int StartMonth = 0;  // today's month and year when the run started
    int StartYear = 0;
    // The page last written for each calendar month (index 1 to 12).
    std::array<std::string, 13> MonthPagePaths;
    // The calendar month that month button k opens (index 1 to 6).
    std::array<int, 7> ButtonMonths{};

    CalendarDate Birth() const { return {.Day = BirthDay, .Month = BirthMonth, .Year = BirthYear}; }
    CalendarMonth Start() const { return {.Year = StartYear, .Month = StartMonth}; }
};

// A month of the run that is done.
struct FinishedMonth {
    int Button = 0;  // 1 to 6
    CalendarMonth Forecast;
    std::string Caption;   // UTF-8: the month's name and year, "Январь 2027"
    std::string PagePath;  // empty when the topic computed nothing
};

// The parsed data files a run reads, kept between runs by their owner.
struct ForecastCaches {
    PlutoTableCache Pluto;
    TopicFileCache Topics;
    ChartTemplateCache ChartTemplates;
};

// The neutral caption of month button k (1 to 6) before its month is done.
std::string NeutralButtonCaption(int button);

// The topic file of a topic: systemFolder + number + ".dat".
std::string TopicFilePath(const std::string& systemFolder, int topic);

// Throws Error with a Russian message naming the date when the birth date does
// not exist or its year lies outside 1920 to 2030.
void CheckBirthDate(const CalendarDate& birth);

// Throws Error with a Russian message naming the position of the first
// character of the name that is not valid UTF-8 or is a control character
// (U+0000 to U+001F, U+007F).
void CheckPersonName(const std::string& name);

// Runs the forecast for the six months from today's month on: for each, the
// month's influence, its chart and its page, then onMonthDone. An error ends
// the run at its month and leaves the files of the months before it.
void RunForecast(RunState& state, const Folders& folders, const CalendarMonth& today,
                 ForecastCaches& caches,
                 const std::function<void(const FinishedMonth&)>& onMonthDone);

}  // namespace nevalorum
