#pragma once
// The whole forecast as one PDF: the six month pages of a run, each rendered
// by the web engine on A4 (text stays text), merged in order with a bookmark
// per month and a title that names the topic and the person.

#include <string>
#include <vector>

#include "app/forecast_run.h"
#include "common/folders.h"
#include "ephemeris/time_scale.h"
#include "report/period_words.h"

namespace nevalorum {

// The six pages of a run that starts in the month, as they lie in Output/.
struct ForecastPages {
    std::vector<std::string> Paths;
    std::vector<std::string> MonthTitles;  // "Январь 2027"
    std::string Topic;                     // "Любовный гороскоп"
    std::string PersonName;                // UTF-8, as on the page
    std::string DocumentTitle;             // "Любовный гороскоп — Анна"
    // Whose forecast the pages are, as their heading and title say.
    ForecastSubject Subject;
};

// Finds the pages; throws Error naming a page that is missing or not a month page.
ForecastPages FindForecastPages(const Folders& folders, const CalendarMonth& from);

// The file name the save dialog proposes: "Прогноз_<имя>_<ММ_ГГГГ>.pdf".
std::string ProposedPdfName(const ForecastPages& pages, const CalendarMonth& from);

// The file name the calendar's save dialog proposes: "Прогноз_<имя>_<ММ_ГГГГ>.ics".
std::string ProposedCalendarName(const ForecastSubject& subject);

// Renders the pages and writes the PDF to target, replacing it only when the
// new document is complete. Runs the event loop while the pages render; needs
// a QApplication. Throws Error naming the page that cannot be rendered.
void ExportForecastPdf(const ForecastPages& pages, const std::string& target);

// The forecast as periods: one document with a title page and per month its
// chart (from Output/), its best and worst days and its periods, a bookmark
// per month. Written to target as ExportForecastPdf writes it.
void ExportPeriodsPdf(const ForecastSubject& subject, const Folders& folders,
                      ForecastCaches& caches, const std::string& target);

}  // namespace nevalorum
