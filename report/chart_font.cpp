#include "report/chart_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H

#include <cstdio>

#include "common/codepage.h"
#include "common/files.h"
#include "common/loaded_library.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

// FreeType's own texts for its error codes.
struct FreeTypeErrorText {
    int Code;
    const char* Text;
};
// clang-format off
#undef FTERRORS_H_
#define FT_ERRORDEF(code, value, text) {value, text},
#define FT_ERROR_START_LIST {
#define FT_ERROR_END_LIST {0, nullptr}};
constexpr FreeTypeErrorText FreeTypeErrorTexts[] =
#include FT_ERRORS_H
    // clang-format on

    [[noreturn]] void ThrowFreeTypeError(const char* doing, FT_Error error) {
    const char* text = "unknown error";
    for (const FreeTypeErrorText& entry : FreeTypeErrorTexts) {
        if (entry.Code == error && entry.Text != nullptr) {
            text = entry.Text;
            break;
        }
    }
    char message[160];
    std::snprintf(message, sizeof message, "%s: %s (FreeType error 0x%02X)", doing, text,
                  static_cast<unsigned>(error));
    throw FontFormatError(message);
}

#define NEVALORUM_FREETYPE_FUNCTIONS(X) \
    X(FT_Init_FreeType)                 \
    X(FT_Done_FreeType)                 \
    X(FT_New_Memory_Face)               \
    X(FT_Done_Face)                     \
    X(FT_Set_Pixel_Sizes)               \
    X(FT_Get_Char_Index)                \
    X(FT_Get_Advance)                   \
    X(FT_Get_Kerning)                   \
    X(FT_Load_Glyph)                    \
    X(FT_Outline_Translate)             \
    X(FT_Render_Glyph)

constexpr SharedMessage NoFreeTypeLibrary{.Id = MessageId("The chart's text cannot be drawn: %s"),
                                          .Russian = "Не удаётся нарисовать надписи графика: %s"};

// FreeType, opened when the chart's font is first read.
NEVALORUM_FUNCTION_TABLE(FreeTypeFunctions, NEVALORUM_FREETYPE_FUNCTIONS,
                         NEVALORUM_FREETYPE_LIBRARY, NoFreeTypeLibrary);

const FreeTypeFunctions& FreeType() {
    return Opened<FreeTypeFunctions>();
}

// Every character the chart writes: digits, the blank and the month names' letters.
std::u32string ChartCharacters() {
    std::string text = "0123456789 ";
    for (std::string_view name : MonthNamesCapitalized) {
        text += name;
    }
    std::u32string characters;
    for (std::size_t offset = 0; offset < text.size();) {
        characters += DecodeUtf8At(text, offset).value();
    }
    return characters;
}

// One colour channel of the text laid over the background with the coverage.
std::uint8_t Blend(std::uint8_t background, std::uint8_t text, int coverage) {
    return static_cast<std::uint8_t>((background * (255 - coverage) + text * coverage + 127) / 255);
}

}  // namespace

struct ChartFont::Face {
    std::string Bytes;  // FreeType reads the file from here for as long as the face lives
    FT_Library Library = nullptr;
    FT_Face Handle = nullptr;

    explicit Face(const std::string& bytes) : Bytes(bytes) {}
    ~Face() {
        if (Handle != nullptr) {
            FreeType().FT_Done_Face(Handle);
        }
        if (Library != nullptr) {
            FreeType().FT_Done_FreeType(Library);
        }
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
};

std::string InstalledChartFontPath() {
    return NEVALORUM_CHART_FONT;
}

std::string ChooseChartFont(const std::string& systemFolder, const std::string& installedPath) {
    const std::string local = systemFolder + std::string(ChartFontFileName);
    if (FileExists(local)) {
        return local;
    }
    if (FileExists(installedPath)) {
        return installedPath;
    }
    throw InputOutputError("The chart's font is missing: neither " + local + " nor " +
                           installedPath + " exists");
}

ChartFont::ChartFont() = default;
ChartFont::ChartFont(ChartFont&&) noexcept = default;
ChartFont& ChartFont::operator=(ChartFont&&) noexcept = default;
ChartFont::~ChartFont() = default;

ChartFont ChartFont::FromFileBytes(const std::string& bytes) {
    ChartFont font;
    font.face_ = std::make_unique<Face>(bytes);
    Face& face = *font.face_;
    if (const FT_Error error = FreeType().FT_Init_FreeType(&face.Library)) {
        ThrowFreeTypeError("cannot start FreeType", error);
    }
    if (const FT_Error error = FreeType().FT_New_Memory_Face(
            face.Library, reinterpret_cast<const FT_Byte*>(face.Bytes.data()),
            static_cast<FT_Long>(face.Bytes.size()), 0, &face.Handle)) {
        ThrowFreeTypeError("not a font FreeType reads", error);
    }
    if (const FT_Error error = FreeType().FT_Set_Pixel_Sizes(face.Handle, 0, ChartFontPixels)) {
        ThrowFreeTypeError("cannot scale the font", error);
    }
    // Ascender and descender in 1/64 pixel, whole pixels once hinted.
    const FT_Size_Metrics& metrics = face.Handle->size->metrics;
    font.ascent_ = static_cast<int>((metrics.ascender + 32) >> 6);
    font.height_ = font.ascent_ + static_cast<int>((-metrics.descender + 32) >> 6);

    for (const char32_t code : ChartCharacters()) {
        if (font.characters_.contains(code)) {
            continue;
        }
        const FT_UInt index = FreeType().FT_Get_Char_Index(face.Handle, code);
        if (index == 0) {
            char message[80];
            std::snprintf(message, sizeof message, "the font has no character U+%04X",
                          static_cast<unsigned>(code));
            throw FontFormatError(message);
        }
        // The unhinted advance [1/65536 pixel], cut to 1/64 as the font's metrics are.
        FT_Fixed advance = 0;
        if (const FT_Error error =
                FreeType().FT_Get_Advance(face.Handle, index, FT_LOAD_NO_HINTING, &advance)) {
            ThrowFreeTypeError("cannot read a character's width", error);
        }
        font.characters_.emplace(
            code, Character{.GlyphIndex = index, .Advance = static_cast<int>(advance >> 10)});
    }
    if (FT_HAS_KERNING(face.Handle)) {
        for (const auto& [left, leftCharacter] : font.characters_) {
            for (const auto& [right, rightCharacter] : font.characters_) {
                // In font units, scaled to 1/64 pixel with halves rounded up.
                FT_Vector units{};
                FreeType().FT_Get_Kerning(face.Handle, leftCharacter.GlyphIndex,
                                          rightCharacter.GlyphIndex, FT_KERNING_UNSCALED, &units);
                const std::int64_t kerning =
                    (static_cast<std::int64_t>(units.x) * metrics.x_scale + 0x8000) >> 16;
                if (kerning != 0) {
                    font.kerning_.emplace(std::pair(left, right), static_cast<int>(kerning));
                }
            }
        }
    }
    return font;
}

const GlyphImage& ChartFont::Image(char32_t code, int quarter) const {
    const auto found = images_.find({code, quarter});
    if (found != images_.end()) {
        return found->second;
    }
    const FT_Face handle = face_->Handle;
    // Light hinting fits the outlines to the pixel grid vertically only, so the
    // letters keep the font's own widths.
    if (const FT_Error error = FreeType().FT_Load_Glyph(handle, characters_.at(code).GlyphIndex,
                                                        FT_LOAD_TARGET_LIGHT)) {
        ThrowFreeTypeError("cannot load a character", error);
    }
    const FT_GlyphSlot slot = handle->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FreeType().FT_Outline_Translate(&slot->outline, quarter * 16, 0);
    }
    if (const FT_Error error = FreeType().FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL)) {
        ThrowFreeTypeError("cannot render a character", error);
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    GlyphImage image{.Left = slot->bitmap_left,
                     .Top = slot->bitmap_top,
                     .Width = static_cast<int>(bitmap.width),
                     .Height = static_cast<int>(bitmap.rows),
                     .Coverage = {}};
    image.Coverage.reserve(static_cast<std::size_t>(image.Width) *
                           static_cast<std::size_t>(image.Height));
    for (int row = 0; row < image.Height; ++row) {
        const unsigned char* from = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        image.Coverage.insert(image.Coverage.end(), from, from + image.Width);
    }
    return images_.emplace(std::pair(code, quarter), std::move(image)).first->second;
}

std::vector<ChartFont::PlacedCharacter> ChartFont::Place(std::string_view utf8, int& end) const {
    std::vector<PlacedCharacter> placed;
    int pen = 0;
    char32_t previous = 0;
    for (std::size_t offset = 0; offset < utf8.size();) {
        const std::optional<char32_t> code = DecodeUtf8At(utf8, offset);
        if (!code) {
            throw Error("The chart's text is not UTF-8");
        }
        const auto found = characters_.find(*code);
        if (found == characters_.end()) {
            char message[80];
            std::snprintf(message, sizeof message, "The chart has no glyph for U+%04X",
                          static_cast<unsigned>(*code));
            throw Error(message);
        }
        if (const auto kerning = kerning_.find({previous, *code}); kerning != kerning_.end()) {
            pen += kerning->second;
        }
        placed.push_back({.Code = *code, .Pen = pen});
        pen += found->second.Advance;
        previous = *code;
    }
    end = pen;
    return placed;
}

int ChartFont::TextWidth(std::string_view utf8) const {
    int end = 0;
    Place(utf8, end);
    return (end + 32) >> 6;
}

void ChartFont::DrawLabel(Picture& picture, int x, int y, std::string_view utf8, Rgb text,
                          Rgb background) const {
    int end = 0;
    const std::vector<PlacedCharacter> placed = Place(utf8, end);
    const int width = (end + 32) >> 6;
    for (int row = y; row < y + height_; ++row) {
        for (int column = x; column < x + width; ++column) {
            if (picture.Contains(column, row)) {
                picture.SetPixel(column, row, background);
            }
        }
    }
    const int baseLine = y + ascent_;
    for (const PlacedCharacter& at : placed) {
        // The pen's whole pixel, and its fraction down to a quarter.
        const GlyphImage& glyph = Image(at.Code, (at.Pen & 63) >> 4);
        const int left = x + (at.Pen >> 6) + glyph.Left;
        const int top = baseLine - glyph.Top;
        for (int row = 0; row < glyph.Height; ++row) {
            for (int column = 0; column < glyph.Width; ++column) {
                const int coverage =
                    glyph.Coverage[static_cast<std::size_t>(row * glyph.Width + column)];
                if (coverage == 0 || !picture.Contains(left + column, top + row)) {
                    continue;
                }
                const Rgb under = picture.Pixel(left + column, top + row);
                picture.SetPixel(left + column, top + row,
                                 {.Red = Blend(under.Red, text.Red, coverage),
                                  .Green = Blend(under.Green, text.Green, coverage),
                                  .Blue = Blend(under.Blue, text.Blue, coverage)});
            }
        }
    }
}

}  // namespace nevalorum
