#include "app/gui/pdf_merge.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>

#include "common/errors.h"

namespace nevalorum {

std::string MergePdfParts(const std::vector<PdfPart>& parts, const std::string& documentTitle) {
    // The library reports malformed input by throwing its own exceptions; they
    // become the program's message here, where it is known which part was bad.
    std::size_t current = 0;
    try {
        QPDF merged;
        merged.emptyPDF();
        QPDFPageDocumentHelper mergedPages(merged);
        // The sources must live until the merged document is written.
        std::vector<std::unique_ptr<QPDF>> sources;
        std::vector<QPDFObjectHandle> firstPages;
        for (current = 0; current < parts.size(); ++current) {
            auto source = std::make_unique<QPDF>();
            source->processMemoryFile("part", parts[current].Bytes.data(),
                                      parts[current].Bytes.size());
            std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*source).getAllPages();
            if (pages.empty()) {
                throw Error("В PDF-документе части «" + parts[current].OutlineTitle +
                            "» нет ни одной страницы.");
            }
            const std::size_t before = mergedPages.getAllPages().size();
            for (QPDFPageObjectHelper& page : pages) {
                mergedPages.addPage(page, false);
            }
            firstPages.push_back(mergedPages.getAllPages().at(before).getObjectHandle());
            sources.push_back(std::move(source));
        }

        // The outline: one entry per part, in order, each showing its first page whole.
        QPDFObjectHandle outlines = merged.makeIndirectObject(QPDFObjectHandle::newDictionary());
        outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
        std::vector<QPDFObjectHandle> items;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            QPDFObjectHandle item = merged.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(parts[i].OutlineTitle));
            item.replaceKey("/Parent", outlines);
            item.replaceKey("/Dest", QPDFObjectHandle::newArray(
                                         {firstPages[i], QPDFObjectHandle::newName("/Fit")}));
            if (!items.empty()) {
                item.replaceKey("/Prev", items.back());
                items.back().replaceKey("/Next", item);
            }
            items.push_back(item);
        }
        if (!items.empty()) {
            outlines.replaceKey("/First", items.front());
            outlines.replaceKey("/Last", items.back());
            outlines.replaceKey("/Count",
                                QPDFObjectHandle::newInteger(static_cast<long long>(items.size())));
        }
        QPDFObjectHandle root = merged.getRoot();
        root.replaceKey("/Outlines", outlines);
        root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));

        QPDFObjectHandle info = merged.makeIndirectObject(QPDFObjectHandle::newDictionary());
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(documentTitle));
        info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString("Nevalorum Pelinor"));
        merged.getTrailer().replaceKey("/Info", info);

        QPDFWriter writer(merged);
        writer.setOutputMemory();
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    } catch (const Error&) {
        throw;
    } catch (const std::exception& error) {
        const std::string part =
            current < parts.size() ? " (часть «" + parts[current].OutlineTitle + "»)" : "";
        throw Error("Не удаётся собрать PDF-документ" + part + ": " + error.what());
    }
}

}  // namespace nevalorum
