#include "report/month_page.h"

#include <cstdio>

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/name_tables.h"

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

std::string TwoDigits(int month) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", month);
    return text;
}

// The length of the UTF-8 sequence that starts with this byte, 0 if none does.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

std::uint32_t CodePoint(const std::string& sequence) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(sequence[i]); };
    switch (sequence.size()) {
        case 1:
            return byte(0);
        case 2:
            return ((byte(0) & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
        case 3:
            return ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        default:
            return ((byte(0) & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) |
                   ((byte(2) & 0x3Fu) << 6) | (byte(3) & 0x3Fu);
    }
}

void CopyFragment(PageLines& page, const std::string& path) {
    for (const std::string& line : FragmentLines(ReadWholeFile(path))) {
        page.Bytes(line);
    }
}

void WriteNavigationRow(PageLines& page, int startMonth, int startYear) {
    for (int k = 0; k < 6; ++k) {
        int month = startMonth + k;
        int year = startYear;
        if (month > 12) {
            month -= 12;
            year += 1;
        }
        page.Text("<td bgcolor=\"#EEF6FC\" align=\"center\"><a href=\"" +
                  MonthFileName(month, year, ".html") + "\"><u><b>" +
                  std::string(MonthNamesCapitalized[month]) + " " + std::to_string(year) +
                  "</b></u></a></td>");
    }
}

void WriteDaySections(PageLines& page, const MonthInfluence& influence, int forecastMonth,
                      const TopicSource& topic) {
    for (const DayInfluence& day : influence.Days) {
        page.Text("<p> <br> <b>Гороскоп на " + std::to_string(day.Day) + " " +
                  std::string(MonthNamesGenitive[forecastMonth]) + "</b></p>");
        for (const AspectHit& hit : day.Hits) {
            page.Bytes(topic.Lookup(hit.TransitBody, hit.Aspect, hit.NatalBody).Paragraph);
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

std::string MonthFileName(int month, int year, const std::string& extension) {
    return "Hor_" + TwoDigits(month) + "_" + std::to_string(year) + extension;
}

std::string EscapeNameForPage(const std::string& utf8) {
    std::string escaped;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[i]));
        if (length == 0 || i + length > utf8.size()) {
            throw Error("The name '" + utf8 + "' is not valid UTF-8 text");
        }
        const std::string sequence = utf8.substr(i, length);
        i += length;
        if (sequence == "&") {
            escaped += "&amp;";
        } else if (sequence == "<") {
            escaped += "&lt;";
        } else if (sequence == ">") {
            escaped += "&gt;";
        } else if (sequence == "\"") {
            escaped += "&quot;";
        } else {
            try {
                escaped += Utf8ToCp1251(sequence);
            } catch (const Error&) {
                escaped += "&#" + std::to_string(CodePoint(sequence)) + ";";
            }
        }
    }
    return escaped;
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
                              const TopicSource& topic, const std::string& systemFolder) {
    const std::string title(TopicTitles[inputs.Topic]);
    PageLines page;
    page.Text("<html> <head> <title>" + title +
              "</title>  <meta content=\"text/html; charset=windows-1251\" "
              "http-equiv=\"Content-Type\">");
    CopyFragment(page,
                 systemFolder + "style_" + std::to_string(inputs.FontSizeSetting + 1) + ".dat");
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
    WriteNavigationRow(page, inputs.StartMonth, inputs.StartYear);
    page.Text("</tr></table>");
    page.Text("<p>&nbsp;</p>");
    page.Text("<DIV align=\"center\">");
    page.Text(
        "<table border=\"0\" width=\"800\" cellpadding=\"8\"  bgcolor=\"#FF9966\" "
        "cellspacing=\"1\">");
    page.Text("<tr> <td bgcolor=\"#EEF6FC\">");
    page.Text("<DIV align=\"center\">");
    page.Bytes(Utf8ToCp1251("<h1>" + title + "на " + std::string(MonthNames[inputs.ForecastMonth]) +
                            " " + std::to_string(inputs.ForecastYear) + " года для Вас, ") +
               EscapeNameForPage(inputs.PersonName) + "</h1>");
    page.Text("<h3> Дата рождения: " + std::to_string(inputs.BirthDay) + " " +
              std::string(MonthNamesGenitive[inputs.BirthMonth]) + " " +
              std::to_string(inputs.BirthYear) + "г. </h3>");
    page.Text("<img border=\"0\" src=\"" +
              MonthFileName(inputs.ForecastMonth, inputs.ForecastYear, ".jpeg") +
              "\" width=\"626\" height=\"205\">");
    page.Text("</DIV> ");
    WriteDaySections(page, influence, inputs.ForecastMonth, topic);
    WriteLegend(page);
    page.Text("<p> &nbsp; </p>");
    CopyFragment(page, systemFolder + "help.dat");
    page.Text("</DIV>");
    page.Text("</td></tr> </table> </body> </html>");
    return page.Joined();
}

std::string WriteMonthReport(const MonthPageInputs& inputs, const MonthInfluence& influence,
                             const TopicSource& topic, const std::string& programFolder,
                             const std::string& systemFolder) {
    const std::string bytes = RenderMonthReport(inputs, influence, topic, systemFolder);
    std::string path = programFolder + "Output/" +
                       MonthFileName(inputs.ForecastMonth, inputs.ForecastYear, ".html");
    WriteFileAtomically(path, bytes);
    return path;
}

}  // namespace nevalorum
