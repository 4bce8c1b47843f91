#pragma once
// One PDF document from several: the pages of each part in order, an outline
// entry (bookmark) at the first page of each part, and the document's title.

#include <string>
#include <vector>

namespace nevalorum {

struct PdfPart {
    std::string Bytes;         // a whole PDF document
    std::string OutlineTitle;  // UTF-8
    // The file name under which other parts link to this one ("Hor_11_2026.html"):
    // such links go to the part's first page. Empty: none do.
    std::string LinkName;
};

// A bookmark to the place of an anchor of the rendered HTML document, which
// the web engine's PDF names as a destination when the document links to it.
struct PdfBookmark {
    std::string Anchor;
    std::string Title;  // UTF-8
};

// The rendered document with an outline entry per bookmark, in order, its
// title, shown with its outline open, and no link that leaves the document.
// Throws Error when it is no readable PDF or lacks an anchor's destination.
std::string FinishPdfDocument(const std::string& pdf, const std::vector<PdfBookmark>& bookmarks,
                              const std::string& documentTitle);

// The merged document's bytes; it opens with its outline shown. A link that
// names no part's LinkName, and so would leave the document, is removed. Throws Error
// naming the part that is not a readable PDF document.
std::string MergePdfParts(const std::vector<PdfPart>& parts, const std::string& documentTitle);

}  // namespace nevalorum
