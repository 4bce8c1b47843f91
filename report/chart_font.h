#pragma once
// The font of the chart's day numbers and caption: Liberation Sans Regular
// (the metrics of Arial) at 12 pixels to the em, drawn by FreeType in grey
// levels. The letters are placed by the font's own advances and kerning, each
// at a quarter pixel, so the texts keep the widths and look they had when a
// desktop toolkit drew them.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "report/picture.h"

namespace nevalorum {

// A font file that FreeType cannot read or that lacks a character the chart
// writes; the message says what is wrong but not which file it is.
class FontFormatError : public InputOutputError {
  public:
    using InputOutputError::InputOutputError;
};

inline constexpr std::string_view ChartFontFileName = "LiberationSans-Regular.ttf";
inline constexpr int ChartFontPixels = 12;

// Where the chart's font is read from: the working folder's System/ when it
// holds ChartFontFileName, else installedPath. Throws InputOutputError naming
// both files when neither exists.
std::string ChooseChartFont(const std::string& systemFolder, const std::string& installedPath);

// The font file found when the program was built (set at configure time).
std::string InstalledChartFontPath();

// One rendering of a character: its coverage (0 to 255, rows top down) and
// where it sits against the pen's whole pixel on the base line.
struct GlyphImage {
    int Left = 0;  // pixels right of the pen
    int Top = 0;   // pixels above the base line
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Coverage;
};

class ChartFont {
  public:
    // The font in the bytes of a TrueType file. Throws FontFormatError saying
    // what FreeType found wrong, or which character of the day numbers and
    // month captions the font lacks.
    static ChartFont FromFileBytes(const std::string& bytes);

    ChartFont(ChartFont&&) noexcept;
    ChartFont& operator=(ChartFont&&) noexcept;
    ~ChartFont();

    int Ascent() const { return ascent_; }
    // The height of a line: ascent and descent.
    int Height() const { return height_; }
    // The width of the UTF-8 text [pixels]: its advances and the kerning
    // between its letters summed, then rounded.
    int TextWidth(std::string_view utf8) const;

    // Writes the UTF-8 text with its top left at (x, y), in the text colour on an
    // opaque box of the background colour as wide as the text and as high as a
    // line. Pixels outside the picture are skipped. Throws FontFormatError when
    // FreeType cannot render a letter.
    void DrawLabel(Picture& picture, int x, int y, std::string_view utf8, Rgb text,
                   Rgb background) const;

  private:
    struct Face;  // FreeType's face over the file's bytes
    struct Character {
        unsigned GlyphIndex = 0;
        int Advance = 0;  // pen movement [1/64 pixel], the font's own, not fitted to pixels
    };
    struct PlacedCharacter {
        char32_t Code;
        int Pen;  // [1/64 pixel] from the start of the text
    };

    ChartFont();
    // The text's characters and where each starts; the pen's end is the width.
    std::vector<PlacedCharacter> Place(std::string_view utf8, int& end) const;
    // The character rendered shifted right by quarter / 4 pixel.
    const GlyphImage& Image(char32_t code, int quarter) const;

    std::unique_ptr<Face> face_;
    int ascent_ = 0;
    int height_ = 0;
    // The characters the chart writes: digits, the blank, the month names' letters.
    std::map<char32_t, Character> characters_;
    // The font's kerning [1/64 pixel] between two of them, where not zero.
    std::map<std::pair<char32_t, char32_t>, int> kerning_;
    // Renderings by character and quarter pixel, made on first use and kept
    // with the font: a few dozen of the 45 x 4 possible ones serve a forecast.
    // Owned by this font object, which one run at a time draws with.
    mutable std::map<std::pair<char32_t, int>, GlyphImage> images_;
};

}  // namespace nevalorum
