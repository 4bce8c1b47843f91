#include "app/gui/forecast_pdf.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <cstdio>

#include "app/gui/pdf_merge.h"
#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "report/month_files.h"
#include "report/name_tables.h"

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
    if (!title || !name) {
        throw Error("Файл " + pages.Paths.front() + " — не страница прогноза.");
    }
    pages.Topic = Trimmed(*title);
    pages.PersonName = DecodeName(*name);
    pages.DocumentTitle =
        pages.PersonName.empty() ? pages.Topic : pages.Topic + " — " + pages.PersonName;
    return pages;
}

std::string ProposedPdfName(const ForecastPages& pages, const CalendarMonth& from) {
    char month[16];
    std::snprintf(month, sizeof month, "%02d_%d", static_cast<int>(from.Month),
                  static_cast<int>(from.Year));
    std::string name = pages.PersonName;
    // Characters a file name cannot or should not hold become "_".
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|' || static_cast<unsigned char>(c) < 0x20) {
            c = '_';
        }
    }
    return "Прогноз_" + (name.empty() ? std::string("без_имени") : name) + "_" + month + ".pdf";
}

void ExportForecastPdf(const ForecastPages& pages, const std::string& target) {
    QWebEnginePage page(QWebEngineProfile::defaultProfile());
    std::vector<PdfPart> parts;
    for (std::size_t i = 0; i < pages.Paths.size(); ++i) {
        parts.push_back({RenderPage(page, pages.Paths[i]), pages.MonthTitles[i]});
    }
    WriteFileAtomically(target, MergePdfParts(parts, pages.DocumentTitle));
}

}  // namespace nevalorum
