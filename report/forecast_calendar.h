#pragma once
// The forecast as an iCalendar file (RFC 5545, UTF-8): one all-day event per
// period, with the aspect and its strength as summary, the paragraph as
// description and a category for favourable and unfavourable periods. The
// events' UIDs depend only on the forecast and the period, so that a calendar
// importing the file again updates its events rather than doubling them.

#include <ctime>
#include <string>

#include "report/period_words.h"
#include "transit/periods.h"

namespace nevalorum {

// "Венера в трине к натальному Юпитеру · благоприятно, сила 4".
std::string PeriodSummary(const InfluencePeriod& period);

// "<16 hex digits>-<first day YYYYMMDD>-<transit>-<aspect>-<natal>@nevalorum-pelinor";
// the digits are a hash of the person's name, the birth date and the topic.
std::string PeriodUid(const ForecastSubject& subject, const InfluencePeriod& period);

// The calendar's bytes; stamp is the moment of the export (DTSTAMP). Throws
// Error when the calendar library cannot make the file.
std::string RenderForecastCalendar(const ForecastSubject& subject, const ForecastPeriods& periods,
                                   std::time_t stamp);

}  // namespace nevalorum
