#include "report/period_words.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "common/codepage.h"
#include "report/name_tables.h"

namespace nevalorum {

std::string AspectSummary(const AspectKey& key) {
    for (const AspectWords& aspect : AspectNames) {
        if (aspect.Angle == key.Aspect) {
            const BodyWords& natal = BodyNames[key.NatalBody];
            return std::string(BodyNames[key.TransitBody].Nominative) + " " +
                   std::string(aspect.Phrase) + " " +
                   std::string(aspect.Instrumental ? natal.NatalInstrumental : natal.NatalDative);
        }
    }
    return std::string(BodyNames[key.TransitBody].Nominative) + ", " + std::to_string(key.Aspect) +
           "° к " + std::string(BodyNames[key.NatalBody].NatalDative);
}

std::string StrengthWords(int strength) {
    if (strength == 0) {
        return "без оценки";
    }
    return std::string(strength > 0 ? "благоприятно" : "неблагоприятно") + ", сила " +
           std::to_string(std::abs(strength));
}

std::string PeriodDates(const CalendarDate& first, const CalendarDate& last) {
    const std::string lastDay =
        std::to_string(last.Day) + " " + std::string(MonthNamesGenitive[last.Month]);
    if (first == last) {
        return lastDay;
    }
    if (first.Month == last.Month && first.Year == last.Year) {
        return std::to_string(first.Day) + "–" + lastDay;
    }
    return std::to_string(first.Day) + " " + std::string(MonthNamesGenitive[first.Month]) + " – " +
           lastDay;
}

std::string DayList(const std::vector<int>& days, int month) {
    if (days.empty()) {
        return "нет";
    }
    std::string list;
    for (std::size_t i = 0; i < days.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == days.size() ? " и " : ", ") + std::to_string(days[i]);
    }
    return list + " " + std::string(MonthNamesGenitive[month]);
}

std::string ParagraphHtml(const Interpretation& reading) {
    return Cp1251ToUtf8(WithoutBullet(reading.Paragraph, reading.Strength));
}

std::string PlainText(const std::string& html) {
    std::string text;
    const auto append = [&text](const std::string& piece) {
        for (char c : piece) {
            const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            if (!blank) {
                text += c;
            } else if (!text.empty() && text.back() != ' ') {
                text += ' ';
            }
        }
    };
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (html[i] == '<') {
            const std::size_t end = html.find('>', i);
            if (end == std::string::npos) {
                break;
            }
            // A line break or a paragraph of the markup is a blank of the text;
            // any other tag (bold, italics) is nothing.
            std::string name = html.substr(i + 1, std::min(end - i - 1, std::size_t{4}));
            for (char& c : name) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            if (name.starts_with("br") || name.starts_with("p") || name.starts_with("/p") ||
                name.starts_with("div") || name.starts_with("/div") || name.starts_with("li")) {
                append(" ");
            }
            i = end;
        } else if (html[i] == '&') {
            const std::size_t end = html.find(';', i);
            const std::string entity =
                end == std::string::npos ? "" : html.substr(i + 1, end - i - 1);
            static constexpr std::pair<std::string_view, std::string_view> Named[] = {
                {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"nbsp", " "}};
            const auto* named =
                std::find_if(std::begin(Named), std::end(Named),
                             [&](const auto& pair) { return pair.first == entity; });
            std::string resolved;
            if (named != std::end(Named)) {
                resolved.append(named->second);
            } else if (entity.size() > 1 && entity[0] == '#') {
                const bool hex = entity[1] == 'x' || entity[1] == 'X';
                const unsigned long code =
                    std::strtoul(entity.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
                resolved = EncodeUtf8(static_cast<char32_t>(
                    code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? 0xFFFD
                                                                                       : code));
            } else {
                // An "&" that opens no known reference stands for itself.
                append("&");
                continue;
            }
            append(resolved);
            i = end;
        } else {
            append(std::string(1, html[i]));
        }
    }
    if (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text.starts_with(' ') ? text.substr(1) : text;
}

std::string EscapeHtml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

}  // namespace nevalorum
