#pragma once
// The HTML month page: Output/Hor_MM_YYYY.html, Windows-1251, one item per line
// ended by CR LF. It holds the links to the six months of the run, the heading
// with the topic, the person and the birth date, the month's chart, a section
// per day with the paragraph of every aspect in force, the legend of the
// strength bullets, and the style fragment and help text copied from System/.

#include <string>
#include <vector>

#include "common/folders.h"
#include "ephemeris/time_scale.h"
#include "transit/month_influence.h"

namespace nevalorum {

// What one page is about.
struct MonthPageInputs {
    int Topic = 1;           // 1 to 7
    std::string PersonName;  // UTF-8, as typed
    CalendarDate Birth;
    CalendarMonth Forecast;   // the page's month
    CalendarMonth Start;      // the run's first month, where the links start
    int FontSizeSetting = 1;  // 0 to 3: very small, small, medium, large text
};

// The person's name for the page: "&", "<", ">" and '"' as their entities and
// every character Windows-1251 lacks as a decimal character reference.
// Throws Error when the name is not valid UTF-8.
std::string EscapeNameForPage(const std::string& utf8);

// The lines of a fragment file as the page copies them: split at line breaks,
// a final line break ending the last line, an empty file giving one empty line.
std::vector<std::string> FragmentLines(const std::string& bytes);

// The page's bytes. The paragraphs are those the influence's hits carry; the
// style fragment and help text are read from the System folder.
std::string RenderMonthReport(const MonthPageInputs& inputs, const MonthInfluence& influence,
                              const Folders& folders);

}  // namespace nevalorum
