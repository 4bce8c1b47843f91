#include "report/periods_document.h"

#include <cstdlib>

#include "report/month_files.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

constexpr const char* Style =
    "<style>\n"

    "body { font-family: 'Liberation Sans', Arial, sans-serif; font-size: 10pt; color: #222; }\n"
    "h1 { font-size: 22pt; color: #333399; margin: 40mm 0 4mm 0; text-align: center; }\n"
    "h2 { font-size: 16pt; color: #333399; margin: 0 0 3mm 0; }\n"
    ".title p { text-align: center; font-size: 13pt; margin: 2mm 0; }\n"
    ".title ol { font-size: 12pt; margin: 6mm 0 0 60mm; }\n"
    ".title a { color: #333399; text-decoration: none; }\n"
    ".legend { margin-top: 25mm; font-size: 9.5pt; }\n"
    ".month { page-break-before: always; }\n"
    ".chart { display: block; margin: 0 auto 3mm auto; }\n"
    ".days { margin: 0 0 3mm 0; }\n"
    ".period { page-break-inside: avoid; margin: 0 0 2.5mm 0; }\n"
    ".period p { margin: 0; text-align: justify; }\n"
    ".period .head { margin-bottom: 0.8mm; }\n"
    "</style>\n";

std::string MonthCaption(const CalendarMonth& month) {
    return std::string(MonthNamesCapitalized[month.Month]) + " " + std::to_string(month.Year);
}

// The strength bullet of the page's legend, with its meaning as alternative text.
std::string StrengthMark(int strength) {
    if (strength == 0 || strength < -5 || strength > 5) {
        return "";
    }
    return std::string("<img src=\"b_") + (strength > 0 ? "blu" : "red") +
           std::to_string(std::abs(strength)) + ".gif\" alt=\"" + StrengthWords(strength) + "\"> ";
}

std::string TitlePage(const ForecastSubject& subject, const ForecastPeriods& periods) {
    std::string html =
        "<div class=\"title\">\n<h1>" + std::string(WindowTopicTitles[subject.Topic]) + "</h1>\n";
    if (!subject.PersonName.empty()) {
        html += "<p>для Вас, " + EscapeHtml(subject.PersonName) + "</p>\n";
    }
    html += "<p>Дата рождения: " + std::to_string(subject.Birth.Day) + " " +
            std::string(MonthNamesGenitive[subject.Birth.Month]) + " " +
            std::to_string(subject.Birth.Year) + " г.</p>\n";
    if (!periods.Months.empty()) {
        html += "<p>" + MonthCaption(periods.Months.front().Month) + " — " +
                MonthCaption(periods.Months.back().Month) + "</p>\n";
    }
    html += "<ol>\n";
    for (std::size_t k = 1; k <= periods.Months.size(); ++k) {
        html += "<li><a href=\"#" + MonthAnchor(static_cast<int>(k)) + "\">" +
                MonthCaption(periods.Months[k - 1].Month) + "</a></li>\n";
    }
    html += "</ol>\n";
    html +=
        "<div class=\"legend\"><p>Каждое влияние указано один раз, с днями, в которые оно "
        "действует. Синие черточки перед ним означают благоприятное влияние, красные — "
        "неблагоприятное; их длина соответствует силе влияния, от 1 до 5. График месяца "
        "показывает общую оценку каждого дня.</p></div>\n</div>\n";
    return html;
}

std::string MonthSection(int k, const MonthHighlights& month, const ForecastPeriods& periods) {
    const std::string caption = MonthCaption(month.Month);
    std::string html = "<div class=\"month\" id=\"" + MonthAnchor(k) + "\">\n<h2>" + caption +
                       "</h2>\n<img class=\"chart\" src=\"" + MonthFileName(month.Month, ".jpeg") +
                       "\" width=\"626\" height=\"205\" alt=\"График влияния, " + caption +
                       "\">\n<p class=\"days\"><b>Лучшие дни:</b> " +
                       DayList(month.BestDays, month.Month.Month) + ". <b>Худшие дни:</b> " +
                       DayList(month.WorstDays, month.Month.Month) + ".</p>\n";
    int count = 0;
    for (const InfluencePeriod& period : periods.Periods) {
        if (period.First.Month != month.Month.Month || period.First.Year != month.Month.Year) {
            continue;
        }
        ++count;
        html += "<div class=\"period\"><p class=\"head\">" + StrengthMark(period.Reading.Strength) +
                "<b>" + PeriodDates(period.First, period.Last) + "</b> · " +
                AspectSummary(period.Key) + " · " + StrengthWords(period.Reading.Strength) +
                "</p>\n<p>" + ParagraphHtml(period.Reading) + "</p></div>\n";
    }
    if (count == 0) {
        html += "<p>В этом месяце не начинается ни одно влияние.</p>\n";
    }
    return html + "</div>\n";
}

}  // namespace

std::string MonthAnchor(int k) {
    return "month-" + std::to_string(k);
}

std::string RenderPeriodsDocument(const ForecastSubject& subject, const ForecastPeriods& periods,
                                  const std::string& baseHref) {
    const std::string topic(WindowTopicTitles[subject.Topic]);
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">\n<title>" +
        EscapeHtml(subject.PersonName.empty() ? topic : topic + " — " + subject.PersonName) +
        "</title>\n";
    if (!baseHref.empty()) {
        html += "<base href=\"" + EscapeHtml(baseHref) + "\">\n";
    }
    html += std::string(Style) + "</head><body>\n" + TitlePage(subject, periods);
    for (std::size_t k = 1; k <= periods.Months.size(); ++k) {
        html += MonthSection(static_cast<int>(k), periods.Months[k - 1], periods);
    }
    return html + "</body></html>\n";
}

}  // namespace nevalorum
