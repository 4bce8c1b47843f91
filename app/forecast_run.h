#pragma once
// The forecast run: six consecutive months from today's month, each computed,
// charted and written as a page, in that order.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/folder_lock.h"
#include "common/folders.h"
#include "ephemeris/pluto_table.h"
#include "ephemeris/time_scale.h"
#include "report/month_chart.h"
#include "transit/interpretation.h"

namespace nevalorum {

// What a person asks a forecast for: built once from the window's fields or
// the command line, and checked (CheckForecastRequest) before anything changes.
struct ForecastRequest {
    std::string PersonName;   // UTF-8, as typed, possibly empty
    CalendarDate Birth;       // BirthDay, BirthMonth, BirthYear
    int Topic = 1;            // 1 to 7; any other value computes nothing
    int FontSizeSetting = 1;  // 0 to 3: picks the pages' style fragment
};

// A month of the run that is done.
struct FinishedMonth {
    int Button = 0;  // 1 to 6
    CalendarMonth Forecast;
    std::string Caption;   // UTF-8: the month's name and year, "Январь 2027"
    std::string PagePath;  // empty when the topic computed nothing
};

// What a run did: its first month (StartMonth, StartYear) and its six months
// in button order.
struct ForecastResult {
    CalendarMonth Start;
    std::vector<FinishedMonth> Months;
};

// The parsed data files a run reads, kept between runs by their owner.
struct ForecastCaches {
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
// (U+0000 to U+001F, U+007F to U+009F).
void CheckPersonName(const std::string& name);

// Throws Error for a request whose name or birth date is refused.
void CheckForecastRequest(const ForecastRequest& request);

// Runs the forecast for the six months from today's month on, in the working
// folder whose lock is held: for each, the month's influence, its chart and its
// page, then onMonthDone. The request is checked, and the topic file and the
// Pluto table read, before any file is written; an error ends the run at its
// month and leaves the files of the months before it.
ForecastResult RunForecast(const ForecastRequest& request, const FolderLock& lock,
                           const CalendarMonth& today, ForecastCaches& caches,
                           const std::function<void(const FinishedMonth&)>& onMonthDone);

}  // namespace nevalorum
