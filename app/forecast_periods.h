#pragma once
// The six months of a forecast as periods: computed from the birth date and
// the topic with the working folder's data, for the tool's calendar and
// periods commands and the window's PDF and calendar.

#include <ctime>
#include <string>

#include "app/forecast_run.h"
#include "common/folders.h"
#include "report/period_words.h"
#include "transit/periods.h"

namespace nevalorum {

// The periods of the six months from subject.Start on. Throws what the checks
// of the birth date and the name throw, and what the Pluto table and the topic
// file throw.
ForecastPeriods ComputeForecastPeriods(const ForecastSubject& subject, const Folders& folders,
                                       ForecastCaches& caches);

// Writes the forecast's calendar file to path through the atomic writer.
void SaveForecastCalendar(const ForecastSubject& subject, const ForecastPeriods& periods,
                          const std::string& path, std::time_t stamp);

}  // namespace nevalorum
