#include "app/gui/pdf_merge.h"

#include <gtest/gtest.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <memory>

#include "common/errors.h"
#include "common/files.h"
#include "tests/support/shell.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

// A PDF document of A4 pages, each with one line of text; the first page links
// to each of the addresses.
std::string DocumentOf(const std::vector<std::string>& lines,
                       const std::vector<std::string>& links = {}) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper pages(pdf);
    const QPDFObjectHandle font = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
    for (const std::string& line : lines) {
        QPDFObjectHandle page = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] >>"));
        page.replaceKey("/Resources", QPDFObjectHandle::parse("<< /Font << >> >>"));
        page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
        page.replaceKey("/Contents", pdf.newStream("BT /F1 24 Tf 72 720 Td (" + line + ") Tj ET"));
        std::vector<QPDFObjectHandle> annotations;
        for (const std::string& uri : links) {
            annotations.push_back(pdf.makeIndirectObject(QPDFObjectHandle::parse(
                "<< /Type /Annot /Subtype /Link /Rect [72 700 300 740] /A << /S /URI /URI (" + uri +
                ") >> >>")));
        }
        if (!annotations.empty() && pages.getAllPages().empty()) {
            page.replaceKey("/Annots", QPDFObjectHandle::newArray(annotations));
        }
        pages.addPage(QPDFPageObjectHelper(page), false);
    }
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.write();
    const auto buffer = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

std::string Shell(const std::string& command) {
    return testing::RunCommand(command).Output;
}

// The pages link to each other by file name, as the month pages do: in the
// merged document such a link goes to the part's first page, and a link out of
// the document (which would name the person's folder) is gone.
TEST(MergePdfParts, PagesInOrderWithTitleAndOneBookmarkPerPart) {
    testing::TemporaryFolder folder;
    const std::string path = folder.Path() + "forecast.pdf";
    WriteFileAtomically(
        path,
        MergePdfParts({{DocumentOf({"January", "January more"},
                                   {"file:///home/anna/w/Output/Hor_02_2027.html",
                                    "https://example.org/", "file:///home/anna/w/Output/x.html"}),
                        "Январь 2027", "Hor_01_2027.html"},
                       {DocumentOf({"February"}), "Февраль 2027", "Hor_02_2027.html"},
                       {DocumentOf({"March"}), "Март 2027", "Hor_03_2027.html"}},
                      "Любовный гороскоп — Анна"));
    EXPECT_EQ(Shell("pdfinfo -url '" + path + "' | sed 1d"), "");
    // The one link left leads to page 3, February's first.
    QPDF merged;
    merged.processFile(path.c_str());
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(merged).getAllPages();
    ASSERT_EQ(pages.size(), 4u);
    QPDFObjectHandle annotations = pages[0].getObjectHandle().getKey("/Annots");
    ASSERT_TRUE(annotations.isArray());
    ASSERT_EQ(annotations.getArrayNItems(), 1);
    QPDFObjectHandle link = annotations.getArrayItem(0);
    EXPECT_FALSE(link.hasKey("/A"));
    EXPECT_EQ(link.getKey("/Dest").getArrayItem(0).getObjGen(),
              pages[2].getObjectHandle().getObjGen());
    const std::string info = Shell("pdfinfo '" + path + "'");
    EXPECT_NE(info.find("Pages:           4"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           Любовный гороскоп — Анна"), std::string::npos) << info;
    const std::string text = Shell("pdftotext '" + path + "' -");
    EXPECT_LT(text.find("January more"), text.find("February")) << text;
    EXPECT_LT(text.find("February"), text.find("March")) << text;
    // The outline: three entries, each at its part's first page (1, 3, 4).
    const std::string outline = Shell("qpdf --json --json-key=outlines '" + path + "'");
    std::size_t at = 0;
    for (const char* title : {"Январь 2027", "Февраль 2027", "Март 2027"}) {
        at = outline.find(std::string("\"title\": \"") + title + "\"", at);
        EXPECT_NE(at, std::string::npos) << title << "\n" << outline;
    }
    for (const char* page :
         {"\"destpageposfrom1\": 1", "\"destpageposfrom1\": 3", "\"destpageposfrom1\": 4"}) {
        EXPECT_NE(outline.find(page), std::string::npos) << page << "\n" << outline;
    }
}

TEST(MergePdfParts, PartThatIsNoPdfIsNamed) {
    try {
        MergePdfParts(
            {{DocumentOf({"January"}), "Январь 2027", ""}, {"not a PDF", "Февраль 2027", ""}},
            "title");
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_TRUE(std::string(error.what())
                        .starts_with("Не удаётся собрать PDF-документ (часть «Февраль 2027»): "))
            << error.what();
    }
}

}  // namespace
}  // namespace nevalorum
