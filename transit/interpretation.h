#pragma once
// The topic text files and the lookup of one aspect's interpretation in them.
//
// A topic file (System/1.dat to 7.dat, Windows-1251) is a sequence of entries.
// An entry is a header line beginning with "*", whose characters 3-5, 7-9,
// 11-13 and 15-17 hold the transit body, the aspect angle, the natal body and
// the strength code, followed by its text up to the next "@". The paragraph of
// an entry is the first line of its text.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_cache.h"

namespace nevalorum {

// The paragraph of an aspect, ready for the page (Windows-1251 bytes, with its
// strength bullet), and its signed strength.
struct Interpretation {
    std::string Paragraph;
    std::int32_t Strength = 0;

    bool operator==(const Interpretation&) const = default;
};

// The opening of a paragraph by strength: BulletTags[1] to [5] for +1 to +5,
// [6] to [10] for -1 to -5. Only the blue tags have a blank before ">".
inline constexpr std::array<const char*, 11> BulletTags{
    "",
    "<p><img border=\"0\" src=\"b_blu1.gif\" >",
    "<p><img border=\"0\" src=\"b_blu2.gif\" >",
    "<p><img border=\"0\" src=\"b_blu3.gif\" >",
    "<p><img border=\"0\" src=\"b_blu4.gif\" >",
    "<p><img border=\"0\" src=\"b_blu5.gif\" >",
    "<p><img border=\"0\" src=\"b_red1.gif\">",
    "<p><img border=\"0\" src=\"b_red2.gif\">",
    "<p><img border=\"0\" src=\"b_red3.gif\">",
    "<p><img border=\"0\" src=\"b_red4.gif\">",
    "<p><img border=\"0\" src=\"b_red5.gif\">",
};

// Strength of a strength code: 101 to 105 are -1 to -5, every other code is
// its own value.
std::int32_t StrengthOfCode(std::int32_t code);

// The paragraph with its bullet: strengths +1..+5 and -1..-5 get their tag in
// front and "<br>" behind, any other strength leaves the text bare.
std::string WithBullet(const std::string& text, std::int32_t strength);

// The text of a paragraph that WithBullet made for the strength, its tag and
// "<br>" taken off again; a paragraph without them is returned as it is.
std::string WithoutBullet(const std::string& paragraph, std::int32_t strength);

// One header line of a topic file, in file order.
struct TopicEntry {
    // The header's four fields, or the conversion error of its first field that
    // is not an integer: the lookup raises it when its scan reaches this header.
    std::int32_t TransitBody = 0;
    std::int32_t AspectAngle = 0;
    std::int32_t NatalBody = 0;
    std::int32_t StrengthCode = 0;
    std::optional<std::string> FieldError;
    int Line = 0;  // of the header in the file, from 1
    // The first line of the entry's text (bytes as in the file, without its line break).
    std::string FirstLine;
    // The whole text between the header line and its "@" was a single line.
    bool SingleLineText = true;
    // The text ended at its "@" (not at the end of the file or the length limit).
    bool Terminated = true;
};

// A topic file as the lookup reads it: every header line in file order.
struct TopicFile {
    std::vector<TopicEntry> Entries;
    // The file is Windows-1251 text (not, say, UTF-8 saved by mistake).
    bool Windows1251 = true;

    // The interpretation of the first entry with the three keys, as a scan from
    // the first line finds it: the paragraph with its bullet and the strength,
    // or an empty paragraph and strength 0 when no entry has the keys. Throws
    // ConversionError when the scan meets a header with a field that is no
    // integer: the conversion's message, then the file (named by path) and the
    // header's place in it.
    Interpretation Lookup(std::int32_t transitBody, std::int32_t aspectAngle,
                          std::int32_t natalBody, const std::string& path = "") const;
};

// Parses the bytes of a topic file.
TopicFile ParseTopicFile(const std::string& bytes);

// Parsed topic files by path, read again when a file changes. Owned by the caller.
using TopicFileCache = ParsedFileCache<TopicFile>;

// A topic file for one computation: checked against the disk once, then read
// for every aspect of the computation. An aspect that no entry of the file
// names gets an empty paragraph and strength 0.
class TopicSource {
  public:
    // Throws InputOutputError naming the file when it is missing ("File not
    // found") or not Windows-1251 text.
    TopicSource(const std::string& topicFilePath, TopicFileCache& cache);

    Interpretation Lookup(std::int32_t transitBody, std::int32_t aspectAngle,
                          std::int32_t natalBody) const;

  private:
    std::string path_;
    std::shared_ptr<const TopicFile> file_;
};

}  // namespace nevalorum
