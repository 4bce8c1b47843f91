#pragma once
// The whole forecast as one PDF: the six month pages of a run, each rendered
// by the web engine on A4 (text stays text), merged in order with a bookmark
// per month and a title that names the topic and the person.

#include <string>
#include <vector>

#include "common/folders.h"
#include "ephemeris/time_scale.h"

namespace nevalorum {

// The six pages of a run that starts in the month, as they lie in Output/.
struct ForecastPages {
    std::vector<std::string> Paths;
    std::vector<std::string> MonthTitles;  // "Январь 2027"
    std::string Topic;                     // "Любовный гороскоп"
    std::string PersonName;                // UTF-8, as on the page
    std::string DocumentTitle;             // "Любовный гороскоп — Анна"
};

// Finds the pages; throws Error naming a page that is missing or not a month page.
ForecastPages FindForecastPages(const Folders& folders, const CalendarMonth& from);

// The file name the save dialog proposes: "Прогноз_<имя>_<ММ_ГГГГ>.pdf".
std::string ProposedPdfName(const ForecastPages& pages, const CalendarMonth& from);

// Renders the pages and writes the PDF to target, replacing it only when the
// new document is complete. Runs the event loop while the pages render; needs
// a QApplication. Throws Error naming the page that cannot be rendered.
void ExportForecastPdf(const ForecastPages& pages, const std::string& target);

}  // namespace nevalorum
