#include "report/chart_font.h"

#include <gtest/gtest.h>

#include "common/files.h"

namespace nevalorum {
namespace {

constexpr Rgb White{.Red = 255, .Green = 255, .Blue = 255};
constexpr Rgb Box{.Red = 111, .Green = 145, .Blue = 190};
constexpr Rgb Grey{.Red = 200, .Green = 200, .Blue = 200};

const ChartFont& InstalledFont() {
    static const ChartFont font = ChartFont::FromFileBytes(ReadWholeFile(InstalledChartFontPath()));
    return font;
}

// A line 14 pixels high with its base line 11 below the top, and the widths of
// Arial at 12 pixels: the boxes of the labels keep the size they always had.
TEST(ChartFont, MetricsOfArialAt12Pixels) {
    EXPECT_EQ(InstalledFont().Ascent(), 11);
    EXPECT_EQ(InstalledFont().Height(), 14);
    struct Case {
        const char* text;
        int width;
    };
    for (const Case c : {Case{"2", 7}, Case{"8", 7}, Case{"10", 13}, Case{"30", 13},
                         Case{"Июль 2027", 61}, Case{"Январь 2027", 71}, Case{"Февраль 2027", 79},
                         Case{"Сентябрь 2026", 84}, Case{"Май 2027", 54}, Case{"Апрель 2027", 71},
                         Case{"Декабрь 2026", 77}, Case{"Август 2026", 66},
                         Case{"Октябрь 2026", 76}, Case{"Ноябрь 2026", 72}, Case{"", 0}}) {
        EXPECT_EQ(InstalledFont().TextWidth(c.text), c.width) << c.text;
    }
}

TEST(ChartFont, LabelIsWhiteTextOnItsBox) {
    Picture picture(40, 30, Grey);
    InstalledFont().DrawLabel(picture, 5, 6, "10", White, Box);
    int white = 0;
    int box = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            // The box, and a column right of it where the last digit's edge may reach.
            const bool inside = x >= 5 && x <= 18 && y >= 6 && y < 20;
            const Rgb pixel = picture.Pixel(x, y);
            if (!inside) {
                ASSERT_EQ(pixel, Grey) << x << "," << y;
                continue;
            }
            white += pixel.Red > 240 && pixel.Green > 240 && pixel.Blue > 240;
            box += pixel == Box;
            if (x == 18) {
                EXPECT_TRUE(pixel == Grey || pixel.Red > Grey.Red) << y;
                continue;
            }
            // Between the two: grey levels of the glyphs' edges.
            EXPECT_GE(pixel.Red, Box.Red) << x << "," << y;
            EXPECT_GE(pixel.Blue, Box.Blue) << x << "," << y;
        }
    }
    EXPECT_GT(white, 8);  // the stem of "1" and the sides of "0", all but white
    EXPECT_GT(box, 100);
    // The digits stand on the base line: nothing below it but the box.
    for (int x = 5; x < 18; ++x) {
        EXPECT_EQ(picture.Pixel(x, 6 + 11), Box) << x;
        EXPECT_EQ(picture.Pixel(x, 6), Box) << x;  // nor above the digits' tops
    }
}

// "10" as the desktop toolkit drew it on the charts before (red channel, rows 2
// to 10 of its box, columns 0 to 13): the "1" on whole pixels, the "0" half a
// pixel on, at 6.67 pixels. A letter a quarter pixel off, another hinting or
// another blend is tens of levels away in some pixel; a FreeType release may
// move single levels.
TEST(ChartFont, TenAsTheChartsAlwaysShowedIt) {
    constexpr int Expected[9][14] = {
        {111, 113, 189, 254, 122, 111, 111, 116, 202, 243, 236, 169, 111, 111},
        {111, 210, 183, 253, 122, 111, 111, 183, 208, 116, 129, 240, 136, 111},
        {111, 138, 111, 253, 122, 111, 111, 231, 143, 111, 111, 191, 183, 111},
        {111, 111, 111, 253, 122, 111, 111, 252, 121, 111, 111, 170, 205, 111},
        {111, 111, 111, 253, 122, 111, 114, 255, 116, 111, 111, 164, 210, 111},
        {111, 111, 111, 253, 122, 111, 111, 252, 122, 111, 111, 171, 204, 111},
        {111, 111, 111, 253, 122, 111, 111, 230, 148, 111, 111, 199, 180, 111},
        {111, 111, 111, 253, 122, 111, 111, 181, 214, 116, 135, 244, 132, 111},
        {122, 251, 251, 255, 251, 251, 124, 115, 202, 243, 236, 164, 111, 111},
    };
    for (int drawing = 0; drawing < 2; ++drawing) {  // the second from the kept renderings
        Picture picture(20, 16, Box);
        InstalledFont().DrawLabel(picture, 0, 0, "10", White, Box);
        for (int row = 0; row < 9; ++row) {
            for (int column = 0; column < 14; ++column) {
                EXPECT_NEAR(picture.Pixel(column, row + 2).Red, Expected[row][column], 4)
                    << "drawing " << drawing << " at " << column << "," << row + 2;
            }
        }
    }
}

// A label across the picture's edges is cut there.
TEST(ChartFont, LabelBeyondThePictureIsCut) {
    struct Case {
        int x, y;
    };
    for (const Case c : {Case{-8, 2}, Case{30, 2}, Case{2, -10}, Case{2, 25}, Case{500, 500}}) {
        Picture picture(36, 30, Grey);
        InstalledFont().DrawLabel(picture, c.x, c.y, "Май 2027", White, Box);
        int changed = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 36; ++x) {
                changed += picture.Pixel(x, y) != Grey;
            }
        }
        EXPECT_EQ(changed > 0, c.x < 36 && c.y < 30) << c.x << "," << c.y;
    }
}

TEST(ChartFont, NotAFontIsRefused) {
    for (const std::string& bytes :
         {std::string(), std::string("not a font at all"), std::string(1000, '\0')}) {
        try {
            ChartFont::FromFileBytes(bytes);
            ADD_FAILURE() << "no error";
        } catch (const FontFormatError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("not a font FreeType reads: ", 0), 0u)
                << error.what();
        }
    }
}

}  // namespace
}  // namespace nevalorum
