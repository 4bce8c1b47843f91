#include "report/month_page.h"

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/month_files.h"
#include "report/name_tables.h"
#include "report/period_words.h"

namespace nevalorum {
namespace {

// The page under construction: lines of Windows-1251 bytes.
class PageLines {
  public:
    // A line of the page's own words, written in UTF-8 here.
    void Text(const std::string& utf8) { lines_.push_back(Utf8ToCp1251(utf8)); }
    // A line of bytes that are Windows-1251 already (copied fragments, paragraphs).
    void Bytes(const std::string& cp1251) { lines_.push_back(cp1251); }

    std::string Joined() const {
        std::string page;
        for (const std::string& line : lines_) {
            page += line;
            page += "\r\n";
        }
        return page;
    }

  private:
    std::vector<std::string> lines_;
};

void CopyFragment(PageLines& page, const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    if (!IsWindows1251Text(bytes)) {
        throw NotWindows1251Error(path);
    }
    for (const std::string& line : FragmentLines(bytes)) {
        page.Bytes(line);
    }
}

void WriteNavigationRow(PageLines& page, const CalendarMonth& start) {
    for (int k = 0; k < 6; ++k) {
        const CalendarMonth month = start.Plus(k);
        page.Text("<td bgcolor=\"#EEF6FC\" align=\"center\"><a href=\"" +
                  MonthFileName(month, ".html") + "\"><u><b>" +
                  std::string(MonthNamesCapitalized[month.Month]) + " " +
                  std::to_string(month.Year) + "</b></u></a></td>");
    }
}

void WriteDaySections(PageLines& page, const MonthInfluence& influence,
                      const CalendarMonth& forecast) {
    for (const DayInfluence& day : influence.Days) {
        page.Text("<p> <br> <b>Гороскоп на " + std::to_string(day.Day) + " " +
                  std::string(MonthNamesGenitive[forecast.Month]) + "</b></p>");
        for (const AspectHit& hit : day.Hits) {
            page.Bytes(hit.Reading.Paragraph);
        }
    }
}

void WriteLegend(PageLines& page) {
    page.Text("<h1>Обозначения</h1>");
    page.Text(
        "<p>Для наглядности благоприятные указания помечены синими черточками перед текстом, а "
        "неблагоприятные - красными черточками. Их длина соответствует силе влияния этого "
        "аспекта. </p>");
    page.Text("<table border=\"0\" width=\"100%\">");
    page.Text("<tr><td>");
    page.Text("<p><img border=\"0\" src=\"b_blu1.gif\"> 1  Очень слабое позитивное указание <br>");
    page.Text("<img border=\"0\" src=\"b_blu2.gif\"> 2  Слабое позитивное указание  <br>");
    page.Text("<img border=\"0\" src=\"b_blu3.gif\"> 3  Позитивное указание средней силы  <br>");
    page.Text("<img border=\"0\" src=\"b_blu4.gif\"> 4  Сильное позитивное указание <br>");
    page.Text("<img border=\"0\" src=\"b_blu5.gif\"> 5  Очень сильное позитивное указание </p>");
    page.Text("</td> <td>");
    page.Text(
        " <p> <img border=\"0\" src=\"b_red1.gif\"> -1  Очень слабое негативное указание <br>");
    page.Text("<img border=\"0\" src=\"b_red2.gif\"> -2  Слабое негативное указание  <br>");
    page.Text("<img border=\"0\" src=\"b_red3.gif\"> -3  Негативное указание средней силы  <br>");
    page.Text("<img border=\"0\" src=\"b_red4.gif\"> -4  Сильное негативное указание <br>");
    page.Text("<img border=\"0\" src=\"b_red5.gif\"> -5  Очень сильное негативное указание </p>");
    page.Text("</td></tr> </table>");
}

}  // namespace

std::string EscapeNameForPage(const std::string& utf8) {
    // The markup characters are ASCII, which never occurs inside a longer UTF-8
    // sequence, so they can be replaced before the conversion.
    const std::string escaped = EscapeHtml(utf8);
    std::optional<std::string> converted =
        ConvertText(escaped, CodePage::Utf8, CodePage::Windows1251, Unmappable::CharacterReference);
    if (!converted) {
        throw Error("The name '" + utf8 + "' is not valid UTF-8 text");
    }
    return std::move(*converted);
}

std::vector<std::string> FragmentLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    do {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos) {
            end = bytes.size();
        } else if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = next;
    } while (start < bytes.size());
    return lines;
}

std::string RenderMonthReport(const MonthPageInputs& inputs, const MonthInfluence& influence,
                              const Folders& folders) {
    const std::string title(TopicTitles[inputs.Topic]);
    PageLines page;
    page.Text("<html> <head> <title>" + title +
              "</title>  <meta content=\"text/html; charset=windows-1251\" "
              "http-equiv=\"Content-Type\">");
    CopyFragment(page, folders.SystemFolder + "style_" +
                           std::to_string(inputs.FontSizeSetting + 1) + ".dat");
    page.Text("</head> <body bgcolor=\"#FFFFFF\">");
    page.Text("<p>&nbsp;</p><DIV align=\"center\">");
    page.Text(
        "<table border=\"0\" width=\"800\" cellpadding=\"4\"  bgcolor=\"#FF9966\" "
        "cellspacing=\"1\">");
    page.Text(
        "<tr><td bgcolor=\"#EEF6FC\" colspan=\"12\" align=\"center\"><font face=\"Arial\" "
        "color=\"#333399\" size=\"2\">");
    page.Text("<b>Щелкните на ссылках ниже, чтобы выбрать месяц прогноза</b></font></td></tr>");
    page.Text("<tr>");
    WriteNavigationRow(page, inputs.Start);
    page.Text("</tr></table>");
    page.Text("<p>&nbsp;</p>");
    page.Text("<DIV align=\"center\">");
    page.Text(
        "<table border=\"0\" width=\"800\" cellpadding=\"8\"  bgcolor=\"#FF9966\" "
        "cellspacing=\"1\">");
    page.Text("<tr> <td bgcolor=\"#EEF6FC\">");
    page.Text("<DIV align=\"center\">");
    page.Bytes(Utf8ToCp1251("<h1>" + title + "на " +
                            std::string(MonthNames[inputs.Forecast.Month]) + " " +
                            std::to_string(inputs.Forecast.Year) + " года для Вас, ") +
               EscapeNameForPage(inputs.PersonName) + "</h1>");
    page.Text("<h3> Дата рождения: " + std::to_string(inputs.Birth.Day) + " " +
              std::string(MonthNamesGenitive[inputs.Birth.Month]) + " " +
              std::to_string(inputs.Birth.Year) + "г. </h3>");
    page.Text("<img border=\"0\" src=\"" + MonthFileName(inputs.Forecast, ".jpeg") +
              "\" width=\"626\" height=\"205\">");
    page.Text("</DIV> ");
    WriteDaySections(page, influence, inputs.Forecast);
    WriteLegend(page);
    page.Text("<p> &nbsp; </p>");
    CopyFragment(page, folders.SystemFolder + "help.dat");
    page.Text("</DIV>");
    page.Text("</td></tr> </table> </body> </html>");
    return page.Joined();
}

}  // namespace nevalorum
