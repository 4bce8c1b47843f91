#include "app/gui/forecast_pdf.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <cstdio>

#include "app/forecast_periods.h"
#include "app/gui/pdf_merge.h"
#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/month_files.h"
#include "report/name_tables.h"
#include "report/periods_document.h"

namespace nevalorum {
namespace {

// A page that renders longer than this is reported, rather than waited for.
constexpr int RenderTimeoutMilliseconds = 60000;

// The text between the first start and the end after it; none when absent.
std::optional<std::string> Between(const std::string& text, const std::string& start,
                                   const std::string& end) {
    const std::size_t from = text.find(start);
    if (from == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t to = text.find(end, from + start.size());
    if (to == std::string::npos) {
        return std::nullopt;
    }
    return text.substr(from + start.size(), to - from - start.size());
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// The name as the page writes it, its markup and character references undone.
std::string DecodeName(const std::string& escaped) {
    std::string name;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '&') {
            name += escaped[i];
            continue;
        }
        const std::size_t end = escaped.find(';', i);
        // An "&" that opens no reference stands for itself.
        if (end == std::string::npos) {
            name += escaped.substr(i);
            break;
        }
        const std::string entity = escaped.substr(i + 1, end - i - 1);
        if (entity == "amp" || entity == "lt" || entity == "gt" || entity == "quot") {
            name += entity == "amp" ? "&" : entity == "lt" ? "<" : entity == "gt" ? ">" : "\"";
        } else if (entity.size() > 1 && entity[0] == '#') {
            const unsigned long code = std::strtoul(entity.c_str() + 1, nullptr, 10);
            name += EncodeUtf8(static_cast<char32_t>(code <= 0x10FFFF ? code : 0xFFFD));
        } else {
            name += '&';
            continue;
        }
        i = end;
    }
    return name;
}

// The birth date of a page's line "Дата рождения: 5 марта 1990г."; none when
// the line says no date.
std::optional<CalendarDate> BirthDateOfPage(const std::string& page) {
    const std::optional<std::string> line = Between(page, "Дата рождения: ", "г.");
    if (!line) {
        return std::nullopt;
    }
    const std::size_t first = line->find(' ');
    const std::size_t last = line->rfind(' ');
    if (first == std::string::npos || first == last) {
        return std::nullopt;
    }
    const std::string month = line->substr(first + 1, last - first - 1);
    for (int m = 1; m <= 12; ++m) {
        if (month == MonthNamesGenitive[m]) {
            const int day = std::atoi(line->substr(0, first).c_str());
            const int year = std::atoi(line->substr(last + 1).c_str());
            return CalendarDate{.Day = day, .Month = m, .Year = year};
        }
    }
    return std::nullopt;
}

// The topic whose title the page has; 0 for none.
int TopicOfTitle(const std::string& title) {
    for (int topic = 1; topic <= 7; ++topic) {
        if (title == WindowTopicTitles[topic]) {
            return topic;
        }
    }
    return 0;
}

// "Прогноз_<имя>_<ММ_ГГГГ>" and the extension, the name made fit for a file name.
std::string ProposedFileName(std::string name, const CalendarMonth& from,
                             const std::string& extension) {
    char month[16];
    std::snprintf(month, sizeof month, "%02d_%d", static_cast<int>(from.Month),
                  static_cast<int>(from.Year));
    // Characters a file name cannot or should not hold become "_".
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|' || static_cast<unsigned char>(c) < 0x20) {
            c = '_';
        }
    }
    return "Прогноз_" + (name.empty() ? std::string("без_имени") : name) + "_" + month + extension;
}

// Loads the page and prints it to PDF bytes on A4, waiting in a local event loop.
std::string RenderPage(QWebEnginePage& page, const std::string& path) {
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { loop.exit(2); });

    bool loaded = false;
    const QMetaObject::Connection connection =
        QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, [&](bool ok) {
            loaded = ok;
            loop.exit(0);
        });
    page.load(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath()));
    timeout.start(RenderTimeoutMilliseconds);
    const int loadResult = loop.exec();
    QObject::disconnect(connection);
    if (loadResult != 0 || !loaded) {
        throw Error("Не удаётся открыть страницу " + path + " для PDF-документа.");
    }

    QByteArray pdf;
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                         QPageLayout::Millimeter);
    page.printToPdf(
        [&](const QByteArray& result) {
            pdf = result;
            loop.exit(0);
        },
        a4);
    timeout.start(RenderTimeoutMilliseconds);
    if (loop.exec() != 0 || pdf.isEmpty()) {
        throw Error("Не удаётся напечатать страницу " + path + " в PDF-документ.");
    }
    return pdf.toStdString();
}

}  // namespace

ForecastPages FindForecastPages(const Folders& folders, const CalendarMonth& from) {
    ForecastPages pages;
    for (int k = 0; k < 6; ++k) {
        const CalendarMonth month = from.Plus(k);
        const std::string path = folders.OutputFolder + MonthFileName(month, ".html");
        pages.Paths.push_back(path);
        pages.MonthTitles.push_back(std::string(MonthNamesCapitalized[month.Month]) + " " +
                                    std::to_string(month.Year));
        if (!FileExists(path)) {
            throw Error("Нет страницы прогноза " + path + ": сначала составьте прогноз на " +
                        pages.MonthTitles.back() + ".");
        }
    }
    const std::optional<std::string> page =
        ConvertText(ReadWholeFile(pages.Paths.front()), CodePage::Windows1251, CodePage::Utf8);
    const std::optional<std::string> title =
        page ? Between(*page, "<title>", "</title>") : std::nullopt;
    const std::optional<std::string> name =
        page ? Between(*page, " года для Вас, ", "</h1>") : std::nullopt;
    const std::optional<CalendarDate> birth = page ? BirthDateOfPage(*page) : std::nullopt;
    if (!title || !name || !birth || TopicOfTitle(Trimmed(*title)) == 0) {
        throw Error("Файл " + pages.Paths.front() + " — не страница прогноза.");
    }
    pages.Topic = Trimmed(*title);
    pages.PersonName = DecodeName(*name);
    pages.Subject = {.PersonName = pages.PersonName,
                     .Birth = *birth,
                     .Topic = TopicOfTitle(pages.Topic),
                     .Start = from};
    pages.DocumentTitle =
        pages.PersonName.empty() ? pages.Topic : pages.Topic + " — " + pages.PersonName;
    return pages;
}

std::string ProposedPdfName(const ForecastPages& pages, const CalendarMonth& from) {
    return ProposedFileName(pages.PersonName, from, ".pdf");
}

std::string ProposedCalendarName(const ForecastSubject& subject) {
    return ProposedFileName(subject.PersonName, subject.Start, ".ics");
}

void ExportForecastPdf(const ForecastPages& pages, const std::string& target) {
    QWebEnginePage page(QWebEngineProfile::defaultProfile());
    std::vector<PdfPart> parts;
    for (std::size_t i = 0; i < pages.Paths.size(); ++i) {
        // The pages' links to each other lead to the month's first page.
        parts.push_back({.Bytes = RenderPage(page, pages.Paths[i]),
                         .OutlineTitle = pages.MonthTitles[i],
                         .LinkName = pages.Paths[i].substr(pages.Paths[i].rfind('/') + 1)});
    }
    WriteFileAtomically(target, MergePdfParts(parts, pages.DocumentTitle));
}

void ExportPeriodsPdf(const ForecastSubject& subject, const Folders& folders,
                      ForecastCaches& caches, const std::string& target) {
    const ForecastPeriods periods = ComputeForecastPeriods(subject, folders, caches);
    const std::string outputUrl =
        QUrl::fromLocalFile(QDir(QString::fromStdString(folders.OutputFolder)).absolutePath())
            .toString()
            .toStdString() +
        "/";
    // The document lies in the system's temporary folder while it renders;
    // its pictures are those of the output folder.
    QTemporaryFile document(QDir::tempPath() + "/nevalorum-periods-XXXXXX.html");
    const std::string html = RenderPeriodsDocument(subject, periods, outputUrl);
    if (!document.open() ||
        document.write(html.data(), static_cast<qint64>(html.size())) !=
            static_cast<qint64>(html.size()) ||
        !document.flush()) {
        throw Error("Не удаётся записать временный файл " + document.fileName().toStdString() +
                    ": " + document.errorString().toStdString());
    }
    std::vector<PdfBookmark> bookmarks;
    for (std::size_t k = 1; k <= periods.Months.size(); ++k) {
        const CalendarMonth& month = periods.Months[k - 1].Month;
        bookmarks.push_back(
            {MonthAnchor(static_cast<int>(k)),
             std::string(MonthNamesCapitalized[month.Month]) + " " + std::to_string(month.Year)});
    }
    const std::string topic(WindowTopicTitles[subject.Topic]);
    QWebEnginePage page(QWebEngineProfile::defaultProfile());
    const std::string pdf = RenderPage(page, document.fileName().toStdString());
    WriteFileAtomically(
        target,
        FinishPdfDocument(pdf, bookmarks,
                          subject.PersonName.empty() ? topic : topic + " — " + subject.PersonName));
}

}  // namespace nevalorum
