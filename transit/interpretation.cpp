#include "transit/interpretation.h"

#include <string_view>

#include "common/codepage.h"
#include "common/conversion.h"
#include "common/errors.h"

namespace nevalorum {
namespace {

// At most this many characters of an entry's text are read before its "@".
constexpr std::size_t TextLimit = 10000;

// The line starting at start: its text without the line break ("\r\n" or
// "\n"), and where the next line starts.
struct Line {
    std::string_view Text;
    std::size_t Next;
};

Line LineAt(const std::string& bytes, std::size_t start) {
    const std::size_t lineFeed = bytes.find('\n', start);
    if (lineFeed == std::string::npos) {
        return {std::string_view(bytes).substr(start), bytes.size()};
    }
    std::size_t end = lineFeed;
    if (end > start && bytes[end - 1] == '\r') {
        --end;
    }
    return {std::string_view(bytes).substr(start, end - start), lineFeed + 1};
}

// The field of three characters at the 1-based position, as far as the line reaches.
std::string_view FieldAt(std::string_view header, std::size_t position) {
    const std::size_t index = position - 1;
    return index >= header.size() ? std::string_view() : header.substr(index, 3);
}

// Converts the four header fields in order; the first that fails is kept as the error.
void ReadHeaderFields(std::string_view header, TopicEntry& entry) {
    std::int32_t* const targets[] = {&entry.TransitBody, &entry.AspectAngle, &entry.NatalBody,
                                     &entry.StrengthCode};
    const std::size_t positions[] = {3, 7, 11, 15};
    for (int i = 0; i < 4; ++i) {
        try {
            *targets[i] = ParseInteger(FieldAt(header, positions[i]));
        } catch (const ConversionError& error) {
            entry.FieldError = error.what();
            return;
        }
    }
}

// Reads the entry's text, which starts at textStart and ends before the next
// "@". A text without "@" ends at the end of the file, and a text longer than
// TextLimit characters is cut there; either counts as unterminated.
void ReadEntryText(const std::string& bytes, std::size_t textStart, TopicEntry& entry) {
    std::size_t textEnd = bytes.find('@', textStart);
    entry.Terminated = textEnd != std::string::npos;
    if (textEnd == std::string::npos) {
        textEnd = bytes.size();
    }
    if (textEnd - textStart > TextLimit) {
        textEnd = textStart + TextLimit;
        entry.Terminated = false;
    }
    const std::string_view text = std::string_view(bytes).substr(textStart, textEnd - textStart);
    const std::size_t lineFeed = text.find('\n');
    entry.SingleLineText = lineFeed == std::string_view::npos;
    std::string_view firstLine = text.substr(0, lineFeed);
    if (!entry.SingleLineText && !firstLine.empty() && firstLine.back() == '\r') {
        firstLine.remove_suffix(1);
    }
    entry.FirstLine = std::string(firstLine);
}

// The index in BulletTags of a strength's tag; 0 (no tag) outside -5 to +5 and for 0.
int BulletIndex(std::int32_t strength) {
    if (strength >= 1 && strength <= 5) {
        return strength;
    }
    return strength >= -5 && strength <= -1 ? 5 - strength : 0;
}

// What closes a paragraph that has a bullet.
constexpr const char* ParagraphEnd = "<br>";

}  // namespace

std::int32_t StrengthOfCode(std::int32_t code) {
    return code >= 101 && code <= 105 ? 100 - code : code;
}

std::string WithBullet(const std::string& text, std::int32_t strength) {
    const int bullet = BulletIndex(strength);
    return bullet == 0 ? text : BulletTags[bullet] + text + ParagraphEnd;
}

std::string WithoutBullet(const std::string& paragraph, std::int32_t strength) {
    const std::string_view tag = BulletTags[BulletIndex(strength)];
    const std::string_view end = ParagraphEnd;
    if (tag.empty() || paragraph.size() < tag.size() + end.size() || !paragraph.starts_with(tag) ||
        !paragraph.ends_with(end)) {
        return paragraph;
    }
    return paragraph.substr(tag.size(), paragraph.size() - tag.size() - end.size());
}

TopicFile ParseTopicFile(const std::string& bytes) {
    TopicFile file;
    file.Windows1251 = IsWindows1251Text(bytes);
    std::size_t start = 0;
    for (int lineNumber = 1; start < bytes.size(); ++lineNumber) {
        const Line line = LineAt(bytes, start);
        // A header's fields lie within its first 17 characters, so nothing past
        // them, however long the line, changes what it holds.
        const std::string_view header = line.Text;
        if (!header.empty() && header.front() == '*') {
            TopicEntry entry;
            entry.Line = lineNumber;
            ReadHeaderFields(header, entry);
            ReadEntryText(bytes, line.Next, entry);
            file.Entries.push_back(std::move(entry));
        }
        start = line.Next;
    }
    return file;
}

Interpretation TopicFile::Lookup(std::int32_t transitBody, std::int32_t aspectAngle,
                                 std::int32_t natalBody, const std::string& path) const {
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const TopicEntry& entry = Entries[i];
        if (entry.FieldError) {
            throw ConversionError(*entry.FieldError + " (" + (path.empty() ? "" : path + ", ") +
                                  "header of entry " + std::to_string(i + 1) + ", line " +
                                  std::to_string(entry.Line) + ")");
        }
        if (entry.TransitBody == transitBody && entry.AspectAngle == aspectAngle &&
            entry.NatalBody == natalBody) {
            const std::int32_t strength = StrengthOfCode(entry.StrengthCode);
            return {WithBullet(entry.FirstLine, strength), strength};
        }
    }
    return {};
}

TopicSource::TopicSource(const std::string& topicFilePath, TopicFileCache& cache)
    : path_(topicFilePath), file_(cache.Get(topicFilePath, ParseTopicFile)) {
    // Without its file a forecast would be empty, not a forecast.
    if (file_ == nullptr) {
        throw NoRegularFileError(path_);
    }
    if (!file_->Windows1251) {
        throw NotWindows1251Error(path_);
    }
}

Interpretation TopicSource::Lookup(std::int32_t transitBody, std::int32_t aspectAngle,
                                   std::int32_t natalBody) const {
    return file_->Lookup(transitBody, aspectAngle, natalBody, path_);
}

}  // namespace nevalorum
