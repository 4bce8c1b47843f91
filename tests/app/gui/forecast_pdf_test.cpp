#include "app/gui/forecast_pdf.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "common/errors.h"
#include "common/files.h"
#include "tests/support/installed_folder.h"
#include "tests/support/shell.h"

namespace nevalorum {
namespace {

std::string Shell(const std::string& command) {
    return testing::RunCommand(command).Output;
}

class ForecastPdfTest : public testing::InstalledFolderTest {
  protected:
    void Forecast() {
        request_.PersonName = "Анна & Ω";
        RunHere({.Year = 2026, .Month = 11});
    }
};

TEST_F(ForecastPdfTest, SixMonthsInOrderWithTheirBookmarks) {
    Forecast();
    const ForecastPages pages = FindForecastPages(WorkingFolders(), {.Year = 2026, .Month = 11});
    EXPECT_EQ(pages.DocumentTitle, "Любовный гороскоп — Анна & Ω");
    EXPECT_EQ(ProposedPdfName(pages, {.Year = 2026, .Month = 11}), "Прогноз_Анна & Ω_11_2026.pdf");
    const std::string pdf = folder_.Path() + "forecast.pdf";
    ExportForecastPdf(pages, pdf);

    const std::string info = Shell("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("Title:           Любовный гороскоп — Анна & Ω"), std::string::npos)
        << info;
    EXPECT_NE(info.find(" pts (A4)"), std::string::npos) << info;
    const std::size_t pagesAt = info.find("Pages:");
    ASSERT_NE(pagesAt, std::string::npos) << info;
    EXPECT_GE(std::stoi(info.substr(pagesAt + 6)), 6) << info;

    // The headings of the six months in order, with the name and Cyrillic intact.
    const std::string text = Shell("pdftotext -enc UTF-8 '" + pdf + "' -");
    std::size_t at = 0;
    for (const char* heading :
         {"на ноябрь 2026 года для Вас, Анна & Ω", "на декабрь 2026 года для Вас, Анна & Ω",
          "на январь 2027 года", "на февраль 2027 года", "на март 2027 года",
          "на апрель 2027 года"}) {
        const std::size_t found = text.find(heading, at);
        EXPECT_NE(found, std::string::npos) << heading;
        at = found == std::string::npos ? at : found;
    }
    const std::string outline = Shell("qpdf --json --json-key=outlines '" + pdf + "'");
    EXPECT_NE(outline.find("\"title\": \"Апрель 2027\""), std::string::npos) << outline;

    // One page as a person sees it, for a look.
    const char* artefacts = std::getenv("NEVALORUM_ARTEFACTS");
    if (artefacts != nullptr) {
        Shell("mkdir -p '" + std::string(artefacts) + "' && pdftoppm -png -r 60 -f 1 -l 1 '" + pdf +
              "' '" + std::string(artefacts) + "/forecast_pdf'");
    }
}

TEST_F(ForecastPdfTest, MissingMonthIsNamed) {
    Forecast();
    try {
        FindForecastPages(WorkingFolders(), {.Year = 2026, .Month = 12});
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Нет страницы прогноза " + folder_.Path() +
                      "Output/Hor_05_2027.html: сначала составьте прогноз на Май 2027.");
    }
}

}  // namespace
}  // namespace nevalorum
