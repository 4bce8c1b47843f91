#pragma once
// The Russian words of captions, chart pictures and pages: topic titles and month
// names in three forms. Texts are UTF-8 here; whatever writes
// them to a file converts them to Windows-1251. Tables are indexed from 1.

#include <array>
#include <string_view>

namespace nevalorum {

// Page titles; each has a blank before and after, but the second only after, so
// that the page heading reads "<h1>Бизнес-гороскоп на ...".
inline constexpr std::array<std::string_view, 8> TopicTitles{
    "",
    " Финансовый гороскоп ",
    "Бизнес-гороскоп ",
    " Любовный гороскоп ",
    " Сексуальный гороскоп ",
    " Авто-гороскоп ",
    " Отпускной гороскоп ",
    " Гороскоп здоровья ",
};

// The same titles without blanks, for the main window's caption.
inline constexpr std::array<std::string_view, 8> WindowTopicTitles{
    "",
    "Финансовый гороскоп",
    "Бизнес-гороскоп",
    "Любовный гороскоп",
    "Сексуальный гороскоп",
    "Авто-гороскоп",
    "Отпускной гороскоп",
    "Гороскоп здоровья",
};

// Lower-case nominative: the page heading after "на ".
inline constexpr std::array<std::string_view, 13> MonthNames{
    "",     "январь", "февраль",  "март",    "апрель", "май",     "июнь",
    "июль", "август", "сентябрь", "октябрь", "ноябрь", "декабрь",
};

// Capitalised nominative: navigation cells, month buttons and chart captions.
inline constexpr std::array<std::string_view, 13> MonthNamesCapitalized{
    "",     "Январь", "Февраль",  "Март",    "Апрель", "Май",     "Июнь",
    "Июль", "Август", "Сентябрь", "Октябрь", "Ноябрь", "Декабрь",
};

// Genitive: the birth date line and the day headings.
inline constexpr std::array<std::string_view, 13> MonthNamesGenitive{
    "",     "января",  "февраля",  "марта",   "апреля", "мая",     "июня",
    "июля", "августа", "сентября", "октября", "ноября", "декабря",
};

// A body in the phrases of an aspect, indexed by BodyNumber: as the moving body
// ("Венера в трине ..."), and as the natal body after "к" and after "с".
struct BodyWords {
    std::string_view Nominative;
    std::string_view NatalDative;        // "натальному Юпитеру"
    std::string_view NatalInstrumental;  // "натальным Юпитером"
};
inline constexpr std::array<BodyWords, 11> BodyNames{{
    {"", "", ""},
    {"Солнце", "натальному Солнцу", "натальным Солнцем"},
    {"Луна", "натальной Луне", "натальной Луной"},
    {"Меркурий", "натальному Меркурию", "натальным Меркурием"},
    {"Венера", "натальной Венере", "натальной Венерой"},
    {"Марс", "натальному Марсу", "натальным Марсом"},
    {"Юпитер", "натальному Юпитеру", "натальным Юпитером"},
    {"Сатурн", "натальному Сатурну", "натальным Сатурном"},
    {"Уран", "натальному Урану", "натальным Ураном"},
    {"Нептун", "натальному Нептуну", "натальным Нептуном"},
    {"Плутон", "натальному Плутону", "натальным Плутоном"},
}};

// An aspect between the moving body and the natal body: "в трине к" takes the
// natal body in the dative, "в соединении с" in the instrumental.
struct AspectWords {
    int Angle;  // [degrees]
    std::string_view Phrase;
    bool Instrumental;
};
inline constexpr std::array<AspectWords, 5> AspectNames{{
    {0, "в соединении с", true},
    {60, "в секстиле к", false},
    {90, "в квадрате к", false},
    {120, "в трине к", false},
    {180, "в оппозиции к", false},
}};

}  // namespace nevalorum
