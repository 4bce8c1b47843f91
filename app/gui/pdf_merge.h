#pragma once
// One PDF document from several: the pages of each part in order, an outline
// entry (bookmark) at the first page of each part, and the document's title.

#include <string>
#include <vector>

namespace nevalorum {

struct PdfPart {
    std::string Bytes;         // a whole PDF document
    std::string OutlineTitle;  // UTF-8
};

// The merged document's bytes; it opens with its outline shown. Throws Error
// naming the part that is not a readable PDF document.
std::string MergePdfParts(const std::vector<PdfPart>& parts, const std::string& documentTitle);

}  // namespace nevalorum
