#include "app/gui/pdf_merge.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <map>
#include <memory>

#include "common/errors.h"

namespace nevalorum {
namespace {

// The file name a link's address ends in, without a fragment or query.
std::string LinkedFileName(const std::string& uri) {
    std::string name = uri.substr(0, uri.find_first_of("#?"));
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Every link of the document that leaves it either goes to the page that
// pages names for its file, or is removed: no address of the person's files
// and no link that breaks elsewhere is left in the document.
void KeepLinksInside(QPDF& document, const std::map<std::string, QPDFObjectHandle>& pages) {
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(document).getAllPages()) {
        QPDFObjectHandle pageObject = page.getObjectHandle();
        QPDFObjectHandle annotations = pageObject.getKey("/Annots");
        if (!annotations.isArray()) {
            continue;
        }
        std::vector<QPDFObjectHandle> kept;
        for (QPDFObjectHandle annotation : annotations.getArrayAsVector()) {
            QPDFObjectHandle action =
                annotation.isDictionary() ? annotation.getKey("/A") : QPDFObjectHandle::newNull();
            if (!action.isDictionary()) {
                kept.push_back(annotation);
                continue;
            }
            QPDFObjectHandle uri = action.getKey("/URI");
            const auto target =
                uri.isString() ? pages.find(LinkedFileName(uri.getUTF8Value())) : pages.end();
            if (target != pages.end()) {
                annotation.removeKey("/A");
                annotation.replaceKey("/Dest",
                                      QPDFObjectHandle::newArray(
                                          {target->second, QPDFObjectHandle::newName("/Fit")}));
                kept.push_back(annotation);
            } else if (!action.getKey("/S").isName() || action.getKey("/S").getName() == "/GoTo") {
                kept.push_back(annotation);
            }
        }
        if (kept.empty()) {
            pageObject.removeKey("/Annots");
        } else {
            pageObject.replaceKey("/Annots", QPDFObjectHandle::newArray(kept));
        }
    }
}

// The outline of the entries (title, destination) in order, shown when the
// document opens, and the document's title.
void SetOutlineAndTitle(QPDF& document,
                        const std::vector<std::pair<std::string, QPDFObjectHandle>>& entries,
                        const std::string& documentTitle) {
    QPDFObjectHandle outlines = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
    outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
    std::vector<QPDFObjectHandle> items;
    for (const auto& [title, destination] : entries) {
        QPDFObjectHandle item = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
        item.replaceKey("/Parent", outlines);
        item.replaceKey("/Dest", destination);
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
    QPDFObjectHandle root = document.getRoot();
    root.replaceKey("/Outlines", outlines);
    root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));

    QPDFObjectHandle info = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(documentTitle));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString("Nevalorum Pelinor"));
    document.getTrailer().replaceKey("/Info", info);
}

std::string Written(QPDF& document) {
    QPDFWriter writer(document);
    writer.setOutputMemory();
    writer.write();
    const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

}  // namespace

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

        // Links to another part's page go to that part's first page.
        std::map<std::string, QPDFObjectHandle> partPages;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (!parts[i].LinkName.empty()) {
                partPages[parts[i].LinkName] = firstPages[i];
            }
        }
        KeepLinksInside(merged, partPages);
        // The outline: one entry per part, in order, each showing its first page whole.
        std::vector<std::pair<std::string, QPDFObjectHandle>> entries;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            entries.push_back(
                {parts[i].OutlineTitle,
                 QPDFObjectHandle::newArray({firstPages[i], QPDFObjectHandle::newName("/Fit")})});
        }
        SetOutlineAndTitle(merged, entries, documentTitle);
        return Written(merged);
    } catch (const Error&) {
        throw;
    } catch (const std::exception& error) {
        const std::string part =
            current < parts.size() ? " (часть «" + parts[current].OutlineTitle + "»)" : "";
        throw Error("Не удаётся собрать PDF-документ" + part + ": " + error.what());
    }
}

std::string FinishPdfDocument(const std::string& pdf, const std::vector<PdfBookmark>& bookmarks,
                              const std::string& documentTitle) {
    try {
        QPDF document;
        document.processMemoryFile("document", pdf.data(), pdf.size());
        KeepLinksInside(document, {});
        QPDFObjectHandle destinations = document.getRoot().getKey("/Dests");
        std::vector<std::pair<std::string, QPDFObjectHandle>> entries;
        for (const PdfBookmark& bookmark : bookmarks) {
            QPDFObjectHandle destination = destinations.isDictionary()
                                               ? destinations.getKey("/" + bookmark.Anchor)
                                               : QPDFObjectHandle::newNull();
            if (!destination.isArray()) {
                throw Error("В PDF-документе нет места «" + bookmark.Title + "» для закладки.");
            }
            entries.push_back({bookmark.Title, destination});
        }
        SetOutlineAndTitle(document, entries, documentTitle);
        return Written(document);
    } catch (const Error&) {
        throw;
    } catch (const std::exception& error) {
        throw Error(std::string("Не удаётся собрать PDF-документ: ") + error.what());
    }
}

}  // namespace nevalorum
