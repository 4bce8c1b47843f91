// Every topic file the installation ships is complete and well formed, its
// strength codes follow the rule of tools/topic_texts/README.md, and its
// paragraphs, the help pages and the introduction keep one typography.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/codepage.h"
#include "common/files.h"
#include "tests/support/temporary_folder.h"
#include "transit/interpretation.h"
#include "transit/month_influence.h"
#include "transit/orb.h"

namespace nevalorum {
namespace {

// Text that goes into a page as it is must not open a tag or an entity of its own.
bool IsHtmlReady(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' || text[i] == '>') {
            return false;
        }
        if (text[i] == '&') {
            const std::size_t end = text.find(';', i);
            if (end == std::string::npos || end - i > 8) {
                return false;
            }
        }
    }
    return true;
}

TEST(ShippedTopicFiles, CompleteAndWellFormed) {
    for (int topic = 1; topic <= 7; ++topic) {
        const std::string path =
            testing::SourceDataFolder() + "System/" + std::to_string(topic) + ".dat";
        SCOPED_TRACE(path);
        const std::string bytes = ReadWholeFile(path);
        EXPECT_NO_THROW(Cp1251ToUtf8(bytes)) << "not Windows-1251";
        // Every line ends with CR LF.
        for (std::size_t i = bytes.find('\n'); i != std::string::npos;
             i = bytes.find('\n', i + 1)) {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }

        const TopicFile file = ParseTopicFile(bytes);
        EXPECT_EQ(file.Entries.size(), 180u);
        std::set<std::tuple<int, int, int>> keys;
        std::set<std::string> texts;
        for (const TopicEntry& entry : file.Entries) {
            ASSERT_FALSE(entry.FieldError) << *entry.FieldError;
            keys.insert({entry.TransitBody, entry.AspectAngle, entry.NatalBody});
            const int code = entry.StrengthCode;
            EXPECT_TRUE((code >= 1 && code <= 5) || (code >= 101 && code <= 105)) << code;
            EXPECT_TRUE(entry.Terminated) << entry.FirstLine;
            EXPECT_TRUE(entry.SingleLineText) << entry.FirstLine;
            EXPECT_FALSE(entry.FirstLine.empty());
            EXPECT_TRUE(IsHtmlReady(entry.FirstLine)) << entry.FirstLine;
            texts.insert(entry.FirstLine);
        }
        EXPECT_EQ(texts.size(), file.Entries.size()) << "two texts alike";
        for (BodyNumber transit : TransitBodies) {
            for (int aspect : AspectAngles) {
                for (BodyNumber natal : NatalBodies) {
                    EXPECT_EQ(keys.count({transit, aspect, natal}), 1u)
                        << transit << " " << aspect << " " << natal;
                }
            }
        }
    }
}

// The strength rule of tools/topic_texts/README.md, as data.

// Topics by the number of their file, named as the README's tables name them.
enum class Topic : int { Finance = 1, Business, Love, Sex, Auto, Vacation, Health };
constexpr std::array<std::string_view, 7> TopicNames{"finance", "business", "love",  "sex",
                                                     "auto",    "vacation", "health"};

// Bodies by their number in a topic file header.
enum class Body : int {
    Sun = 1,
    Mercury = 3,
    Venus,
    Mars,
    Jupiter,
    Saturn,
    Uranus,
    Neptune,
    Pluto
};

// A natal body's weight for each topic, finance to health.
struct NatalWeight {
    Body natal;
    std::string_view name;
    std::array<int, 7> byTopic;
};
constexpr NatalWeight NatalWeights[] = {
    {Body::Sun, "Sun", {2, 3, 3, 3, 3, 3, 5}},
    {Body::Mercury, "Mercury", {2, 4, 1, 1, 3, 3, 3}},
    {Body::Venus, "Venus", {3, 2, 4, 4, 2, 4, 2}},
    {Body::Mars, "Mars", {2, 3, 3, 4, 4, 3, 5}},
    {Body::Jupiter, "Jupiter", {4, 3, 2, 2, 2, 4, 3}},
    {Body::Saturn, "Saturn", {4, 3, 3, 3, 3, 3, 4}},
    {Body::Uranus, "Uranus", {2, 2, 2, 2, 4, 3, 3}},
    {Body::Neptune, "Neptune", {2, 1, 2, 2, 2, 2, 3}},
    {Body::Pluto, "Pluto", {3, 2, 3, 3, 3, 2, 3}},
};

// A transit body's adjustment for each topic, of a favourable and of an unfavourable entry.
struct TransitAdjustment {
    Body transit;
    std::array<int, 7> favourable;
    std::array<int, 7> unfavourable;
};
constexpr TransitAdjustment TransitAdjustments[] = {
    {Body::Sun, {0, 1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0}},
    {Body::Mercury, {-1, 0, -1, -1, 0, -1, -1}, {-1, 0, -1, -1, 0, -1, -1}},
    {Body::Venus, {1, -1, 1, 1, -1, 1, -2}, {0, -1, 1, 1, -1, 0, -2}},
    {Body::Mars, {0, 1, 0, 1, 1, 0, 0}, {1, 1, 0, 1, 1, 1, 0}},
};

const NatalWeight* WeightOf(Body natal) {
    const auto row = std::find_if(std::begin(NatalWeights), std::end(NatalWeights),
                                  [natal](const NatalWeight& row) { return row.natal == natal; });
    return row == std::end(NatalWeights) ? nullptr : row;
}

std::string NameOf(int body) {
    const NatalWeight* row = WeightOf(Body(body));
    return row ? std::string(row->name) : "body " + std::to_string(body);
}

// The body the README names so, if any.
std::optional<Body> BodyNamed(std::string_view name) {
    for (const NatalWeight& row : NatalWeights) {
        if (row.name == name) {
            return row.natal;
        }
    }
    return std::nullopt;
}

const TransitAdjustment* AdjustmentOf(Body transit) {
    const auto row =
        std::find_if(std::begin(TransitAdjustments), std::end(TransitAdjustments),
                     [transit](const TransitAdjustment& row) { return row.transit == transit; });
    return row == std::end(TransitAdjustments) ? nullptr : row;
}

// Trines and sextiles are favourable, squares and oppositions tense; a
// conjunction goes by the bodies and, for some of them, by the topic.
bool IsFavourable(Topic topic, Body transit, int aspect, Body natal) {
    if (aspect != 0) {
        return aspect == 60 || aspect == 120;
    }
    const bool passion = topic == Topic::Love || topic == Topic::Sex || topic == Topic::Vacation;
    switch (natal) {
        case Body::Venus:
        case Body::Jupiter:
            return true;
        case Body::Mars:
            return transit == Body::Venus && passion;
        case Body::Saturn:
        case Body::Uranus:
        case Body::Pluto:
            return false;
        case Body::Neptune:
            if (topic != Topic::Love && topic != Topic::Vacation) {
                return false;
            }
            return transit != Body::Mars;
        default:  // the Sun and Mercury
            return transit != Body::Mars;
    }
}

// The strength code the README's formula gives an entry: 1 to 5, or 101 to 105;
// none for a body the formula does not know.
std::optional<int> FormulaCode(Topic topic, Body transit, int aspect, Body natal) {
    const TransitAdjustment* adjustment = AdjustmentOf(transit);
    const NatalWeight* weight = WeightOf(natal);
    if (adjustment == nullptr || weight == nullptr) {
        return std::nullopt;
    }
    const bool favourable = IsFavourable(topic, transit, aspect, natal);
    const std::size_t column = static_cast<std::size_t>(topic) - 1;
    int magnitude = weight->byTopic[column] +
                    (favourable ? adjustment->favourable : adjustment->unfavourable)[column];
    const bool harmonious = aspect == 60 || aspect == 120;
    if (aspect == 60) {
        magnitude -= 1;
    }
    const bool venusMarsPair = (transit == Body::Venus && natal == Body::Mars) ||
                               (transit == Body::Mars && natal == Body::Venus);
    if (topic == Topic::Love && venusMarsPair) {
        magnitude += 1;
    }
    if (topic == Topic::Sex && transit == Body::Venus && natal == Body::Venus) {
        magnitude -= 1;
    }
    if (topic == Topic::Auto && harmonious &&
        (natal == Body::Saturn || natal == Body::Uranus || natal == Body::Pluto)) {
        magnitude -= 1;
    }
    magnitude = std::clamp(magnitude, 1, 5);
    return favourable ? magnitude : 100 + magnitude;
}

// One entry's keys and code: topic, transit body, aspect, natal body, strength code.
using EntryCode = std::tuple<int, int, int, int, int>;

std::string Describe(const EntryCode& entry) {
    const auto [topic, transit, aspect, natal, code] = entry;
    return std::string(TopicNames[topic - 1]) + " " + NameOf(transit) + " " +
           std::to_string(aspect) + " " + NameOf(natal) + " code " + std::to_string(code);
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// The README's table of departures from the formula: each row's topic, transit
// body, aspect, natal body and code. Names and numbers it cannot read fail the test.
struct ReadmeDepartures {
    bool sectionFound = false;
    std::set<EntryCode> rows;
};

ReadmeDepartures ReadDepartures() {
    std::istringstream readme(
        ReadWholeFile(testing::SourceDataFolder() + "../tools/topic_texts/README.md"));
    ReadmeDepartures departures;
    bool inSection = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.starts_with("## ")) {
            inSection = line == "## Departures from the formula";
            departures.sectionFound = departures.sectionFound || inSection;
            continue;
        }
        if (!inSection || !line.starts_with("| ")) {
            continue;
        }
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');) {
            cells.push_back(Trimmed(cell));
        }
        if (cells.size() < 6 || cells[0] == "topic") {
            continue;
        }
        const auto topic = std::find(TopicNames.begin(), TopicNames.end(), cells[0]);
        const std::optional<Body> transit = BodyNamed(cells[1]);
        const std::optional<Body> natal = BodyNamed(cells[3]);
        if (topic == TopicNames.end() || !transit || !natal) {
            ADD_FAILURE() << "README row not understood: " << line;
            continue;
        }
        const int topicNumber = static_cast<int>(topic - TopicNames.begin()) + 1;
        const int aspect = std::stoi(cells[2]);
        const EntryCode entry{topicNumber, static_cast<int>(*transit), aspect,
                              static_cast<int>(*natal), std::stoi(cells[4])};
        // The row's "formula" column states what the formula gives.
        EXPECT_EQ(std::optional<int>(std::stoi(cells[5])),
                  FormulaCode(Topic(topicNumber), *transit, aspect, *natal))
            << line;
        departures.rows.insert(entry);
    }
    return departures;
}

// Every entry carries the code of the README's formula, except exactly the
// departures the README lists.
TEST(ShippedTopicFiles, StrengthsFollowTheReadmeFormula) {
    const ReadmeDepartures listed = ReadDepartures();
    ASSERT_TRUE(listed.sectionFound) << "the README has no section of departures";
    std::set<EntryCode> departures;
    for (int topic = 1; topic <= 7; ++topic) {
        const std::string path =
            testing::SourceDataFolder() + "System/" + std::to_string(topic) + ".dat";
        for (const TopicEntry& entry : ParseTopicFile(ReadWholeFile(path)).Entries) {
            const std::optional<int> formula = FormulaCode(
                Topic(topic), Body(entry.TransitBody), entry.AspectAngle, Body(entry.NatalBody));
            ASSERT_TRUE(formula) << "no such bodies: " << entry.TransitBody << " "
                                 << entry.NatalBody;
            if (entry.StrengthCode == *formula) {
                continue;
            }
            const EntryCode found{topic, entry.TransitBody, entry.AspectAngle, entry.NatalBody,
                                  entry.StrengthCode};
            departures.insert(found);
            EXPECT_EQ(listed.rows.count(found), 1u)
                << Describe(found) << ", the formula gives " << *formula
                << ": the README does not list this departure";
        }
    }
    for (const EntryCode& row : listed.rows) {
        EXPECT_EQ(departures.count(row), 1u)
            << Describe(row) << ": listed in the README, but the file does not carry it";
    }
}

// Texts the customer reads, in UTF-8.

struct ShippedText {
    std::string where;
    std::string text;
};

// Some 60 bytes of text around position, cut at whole UTF-8 characters.
std::string Excerpt(const std::string& text, std::size_t position) {
    const auto continues = [&](std::size_t i) {
        return i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    std::size_t begin = position > 30 ? position - 30 : 0;
    std::size_t end = std::min(text.size(), position + 30);
    while (continues(begin)) {
        --begin;
    }
    while (continues(end)) {
        ++end;
    }
    return text.substr(begin, end - begin);
}

// Every paragraph of the shipped topic files.
std::vector<ShippedText> TopicParagraphs() {
    std::vector<ShippedText> paragraphs;
    for (int topic = 1; topic <= 7; ++topic) {
        const std::string name = "System/" + std::to_string(topic) + ".dat";
        const TopicFile file = ParseTopicFile(ReadWholeFile(testing::SourceDataFolder() + name));
        for (const TopicEntry& entry : file.Entries) {
            paragraphs.push_back({.where = name + " " + std::to_string(entry.TransitBody) + " " +
                                           std::to_string(entry.AspectAngle) + " " +
                                           std::to_string(entry.NatalBody),
                                  .text = Cp1251ToUtf8(entry.FirstLine)});
        }
    }
    return paragraphs;
}

// The help fragment of every month page, the help pages and the introduction.
std::vector<ShippedText> HelpTexts() {
    const std::string data = testing::SourceDataFolder();
    std::vector<ShippedText> texts{
        {.where = "System/help.dat", .text = Cp1251ToUtf8(ReadWholeFile(data + "System/help.dat"))},
        {.where = "Html/index.html", .text = ReadWholeFile(data + "Html/index.html")}};
    for (int page = 10; page <= 16; ++page) {
        const std::string name = "Help/" + std::to_string(page) + ".html";
        texts.push_back({.where = name, .text = ReadWholeFile(data + name)});
    }
    return texts;
}

std::vector<ShippedText> AllTexts() {
    std::vector<ShippedText> texts = TopicParagraphs();
    for (ShippedText& help : HelpTexts()) {
        texts.push_back(std::move(help));
    }
    return texts;
}

// The text with its Russian capitals made small (UTF-8 in, UTF-8 out).
std::string LowerRussian(std::string_view utf8) {
    std::string lower(utf8);
    for (std::size_t i = 0; i + 1 < lower.size(); ++i) {
        const auto lead = static_cast<unsigned char>(lower[i]);
        const auto trail = static_cast<unsigned char>(lower[i + 1]);
        if (lead != 0xD0) {
            continue;
        }
        if (trail == 0x81) {  // Ё
            lower[i] = '\xD1';
            lower[i + 1] = '\x91';
        } else if (trail >= 0x90 && trail <= 0x9F) {  // А to П
            lower[i + 1] = static_cast<char>(trail + 0x20);
        } else if (trail >= 0xA0 && trail <= 0xAF) {  // Р to Я
            lower[i] = '\xD1';
            lower[i + 1] = static_cast<char>(trail - 0x20);
        }
        ++i;
    }
    return lower;
}

// The Russian words of a UTF-8 text, in small letters.
std::vector<std::string> RussianWords(std::string_view utf8) {
    const std::string lower = LowerRussian(utf8);
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const auto lead = static_cast<unsigned char>(lower[i]);
        if ((lead == 0xD0 || lead == 0xD1) && i + 1 < lower.size()) {
            words.back() += lower.substr(i, 2);
            ++i;
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
    }
    if (words.back().empty()) {
        words.pop_back();
    }
    return words;
}

// A dash is "—" everywhere: no en dash, and no hyphen standing between blanks.
TEST(ShippedTexts, OneDashStyle) {
    const std::string_view notDashes[] = {"\xE2\x80\x93", "&ndash;", "&#8211;", " - "};
    for (const ShippedText& text : AllTexts()) {
        for (std::string_view dash : notDashes) {
            const std::size_t found = text.text.find(dash);
            EXPECT_EQ(found, std::string::npos)
                << text.where << " uses \"" << dash << "\" for a dash: …"
                << Excerpt(text.text, found) << "…";
        }
    }
}

// The texts write "ё"; none of these words may appear spelled with "е" instead.
// An entry ending in "*" stands for every word that begins with it.
TEST(ShippedTexts, WriteYo) {
    const std::string_view spelledWithoutYo[] = {
        "черточ*",  "расчет*", "подсчет*", "учет*", "определенн*", "напряженн*", "посвященн*",
        "посвящен", "днем",    "еще",      "ее",    "нее",         "берет",      "берется",
        "идет",     "дает",    "ждет",     "счет",  "четырех",     "вперед"};
    for (const ShippedText& text : AllTexts()) {
        for (const std::string& word : RussianWords(text.text)) {
            for (std::string_view wrong : spelledWithoutYo) {
                const bool stem = wrong.ends_with('*');
                const std::string_view letters = stem ? wrong.substr(0, wrong.size() - 1) : wrong;
                EXPECT_FALSE(stem ? word.starts_with(letters) : word == letters)
                    << text.where << ": \"" << word << "\" is written without \"ё\"";
            }
        }
    }
}

// A paragraph stands under every day its aspect lasts, from a few days to weeks,
// on a page that may be read months after the forecast was made, so it speaks
// of a stretch of days: no "today", no "… — день …" that makes the aspect a
// single day, and no time counted from the day of reading.
TEST(ShippedTopicFiles, ParagraphsSpeakOfDaysOnEnd) {
    const std::string_view wrongTimes[] = {
        "сегодня", "— день", "ближайшие дни", "ближайшие недели", "в ближайшее время", "на днях"};
    for (const ShippedText& paragraph : TopicParagraphs()) {
        const std::string lower = LowerRussian(paragraph.text);
        for (std::string_view wrong : wrongTimes) {
            EXPECT_EQ(lower.find(wrong), std::string::npos)
                << paragraph.where << " says \"" << wrong << "\": " << paragraph.text;
        }
    }
}

// The paragraphs speak to one reader with the polite capital "Вы"; the reader
// and the partner together are "вы" in small letters ("кто-то из вас", "вам
// обоим"), and no word after "Вы" takes a masculine singular form.
TEST(ShippedTopicFiles, AddressTheReaderAndTheCouple) {
    const std::string_view coupleWithCapital[] = {
        "из Вас", "из Вами", "Вам обоим",   "Вас обоих",   "Вами обоими",
        "Вы оба", "Вы обе",  "между Вами.", "между Вами,", "Вы вдвоём"};
    const std::set<std::string> masculineForms{
        "готов",   "рад",    "должен",   "способен", "уверен",  "склонен", "свободен",
        "занят",   "прав",   "один",     "одинок",   "влюблён", "спокоен", "внимателен",
        "доволен", "обязан", "вынужден", "смел",     "силён",   "нужен",   "сам"};
    for (const ShippedText& paragraph : TopicParagraphs()) {
        for (std::string_view couple : coupleWithCapital) {
            EXPECT_EQ(paragraph.text.find(couple), std::string::npos)
                << paragraph.where << " writes \"" << couple
                << "\" for the couple: " << paragraph.text;
        }
        const std::vector<std::string> words = RussianWords(paragraph.text);
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            if (words[i] != "вы") {
                continue;
            }
            const std::string& next = words[i + 1];
            // A past form in "-л" ("Вы сделал") or a short form from the list.
            const bool masculine = next.ends_with("л") || masculineForms.count(next) == 1;
            EXPECT_FALSE(masculine) << paragraph.where << ": \"Вы " << next
                                    << "\" takes a masculine form: " << paragraph.text;
        }
    }
}

// Whether the bytes hold a Russian letter in UTF-8. Russian text in Windows-1251
// has no "Р" or "С" before one of the bytes that continue such a letter.
bool HoldsUtf8Russian(const std::string& bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        if ((lead == 0xD0 || lead == 0xD1) && trail >= 0x80 && trail <= 0xBF) {
            return true;
        }
    }
    return false;
}

// help.dat goes into the Windows-1251 month page as it is, line by line with
// CR LF; the help pages and the introduction declare UTF-8 and hold it.
TEST(ShippedHelp, KeepsItsEncodings) {
    const std::string data = testing::SourceDataFolder();
    const std::string fragment = ReadWholeFile(data + "System/help.dat");
    EXPECT_FALSE(HoldsUtf8Russian(fragment)) << "help.dat is not Windows-1251";
    EXPECT_NO_THROW(Cp1251ToUtf8(fragment));
    for (std::size_t i = fragment.find('\n'); i != std::string::npos;
         i = fragment.find('\n', i + 1)) {
        ASSERT_TRUE(i > 0 && fragment[i - 1] == '\r') << "help.dat: bare LF at byte " << i;
    }
    EXPECT_TRUE(fragment.ends_with("\r\n")) << "help.dat: the last line has no CR LF";

    std::vector<std::string> pages{"Html/index.html"};
    for (int page = 10; page <= 16; ++page) {
        pages.push_back("Help/" + std::to_string(page) + ".html");
    }
    for (const std::string& page : pages) {
        const std::string bytes = ReadWholeFile(data + page);
        EXPECT_NE(bytes.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
        EXPECT_TRUE(HoldsUtf8Russian(bytes)) << page << " is not UTF-8";
    }
}

}  // namespace
}  // namespace nevalorum
