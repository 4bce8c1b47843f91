#pragma once
// The words of the forecast's periods, shared by the periods document and the
// calendar file: whose forecast it is, what an aspect is called, how strong it
// is, which days it covers. All text is UTF-8.

#include <string>

#include "ephemeris/time_scale.h"
#include "transit/periods.h"

namespace nevalorum {

// Whose forecast, on which topic, from which month.
struct ForecastSubject {
    std::string PersonName;  // UTF-8, as typed, possibly empty
    CalendarDate Birth;
    int Topic = 1;  // 1 to 7
    CalendarMonth Start;
};

// "Венера в трине к натальному Юпитеру", "Марс в соединении с натальным Солнцем".
std::string AspectSummary(const AspectKey& key);

// "благоприятно, сила 4", "неблагоприятно, сила 3"; "без оценки" for strength 0.
std::string StrengthWords(int strength);

// "5 марта", "3–12 марта", "30 января – 2 февраля".
std::string PeriodDates(const CalendarDate& first, const CalendarDate& last);

// "4, 9 и 20 ноября" for days of the month, "нет" for none.
std::string DayList(const std::vector<int>& days, int month);

// The paragraph's text as the topic file writes it (HTML), without its strength
// bullet, in UTF-8.
std::string ParagraphHtml(const Interpretation& reading);

// The text of an HTML fragment: tags dropped, character references resolved,
// runs of blanks made one.
std::string PlainText(const std::string& html);

// "&", "<", ">" and '"' as their entities.
std::string EscapeHtml(const std::string& text);

}  // namespace nevalorum
