#include "report/month_chart.h"

// libjpeg's header needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "common/errors.h"
#include "common/files.h"
#include "report/bmp_codec.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::SourceDataFolder;
using testing::TemporaryFolder;

constexpr Rgb Blue{.Red = 0, .Green = 0, .Blue = 255};
constexpr Rgb LabelBackground{.Red = 111, .Green = 145, .Blue = 190};
constexpr Rgb Grey{.Red = 200, .Green = 200, .Blue = 200};

// A plain grey template, so that every drawn pixel is known.
Picture PlainTemplate() {
    return Picture(ChartWidth, ChartHeight, Grey);
}

const ChartFont& InstalledFont() {
    static const ChartFont font = ChartFont::FromFileBytes(ReadWholeFile(InstalledChartFontPath()));
    return font;
}

using Curve = std::array<std::int32_t, MonthCurvePositions + 1>;

Picture Draw(const Curve& curve, int length, CalendarMonth month) {
    Picture chart = PlainTemplate();
    DrawChart(chart, curve, length, month, InstalledFont());
    return chart;
}

// A JPEG decoded by libjpeg into rows of red, green, blue; empty when libjpeg
// refuses it (it then prints why).
struct DecodedJpeg {
    int Width = 0, Height = 0, Components = 0;
    std::vector<unsigned char> Pixels;

    Rgb Pixel(int x, int y) const {
        const unsigned char* p = &Pixels[static_cast<std::size_t>((y * Width + x) * 3)];
        return {.Red = p[0], .Green = p[1], .Blue = p[2]};
    }
};

DecodedJpeg DecodeJpeg(const std::string& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    DecodedJpeg decoded;
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
        decoded.Components = info.num_components;
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        decoded.Width = static_cast<int>(info.output_width);
        decoded.Height = static_cast<int>(info.output_height);
        decoded.Pixels.resize(static_cast<std::size_t>(decoded.Width * decoded.Height * 3));
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &decoded.Pixels[info.output_scanline * info.output_width * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return decoded;
}

TEST(DrawChart, FlatCurveIsABandOnRows91To93) {
    struct Case {
        int length;
        int lastX;  // x of the last point, whose end pixel is not drawn
    };
    for (const Case c : {Case{96, 555}, Case{93, 540}, Case{87, 510}}) {
        const Picture chart = Draw(Curve{}, c.length, {.Year = 2027, .Month = 7});
        // The centre row reaches one pixel further on each side (the strokes
        // shifted left and right); the rows above and below stop before the end.
        for (int x = 89; x <= c.lastX; ++x) {
            ASSERT_EQ(chart.Pixel(x, 92), Blue) << c.length << " x " << x;
        }
        for (int x = 90; x < c.lastX; ++x) {
            ASSERT_EQ(chart.Pixel(x, 91), Blue) << c.length << " x " << x;
            ASSERT_EQ(chart.Pixel(x, 93), Blue) << c.length << " x " << x;
        }
        EXPECT_NE(chart.Pixel(c.lastX, 91), Blue) << c.length;
        EXPECT_NE(chart.Pixel(c.lastX, 93), Blue) << c.length;
        EXPECT_NE(chart.Pixel(c.lastX + 1, 92), Blue) << c.length;
        EXPECT_NE(chart.Pixel(88, 92), Blue) << c.length;
        EXPECT_NE(chart.Pixel(100, 90), Blue) << c.length;
        EXPECT_NE(chart.Pixel(100, 94), Blue) << c.length;
    }
}

// Point k lies at x = 90 + 5 (k - 1), y = 92 - value; nothing is clipped or scaled.
TEST(DrawChart, PointsLieWhereTheirValuesPutThem) {
    Curve curve{};
    curve[1] = 3;
    curve[2] = 5;
    curve[3] = 4;
    curve[4] = 2;
    curve[40] = -40;
    curve[60] = 500;  // far above the picture: drawn outside, not shown
    curve[61] = -500;
    const Picture chart = Draw(curve, 96, {.Year = 2027, .Month = 7});
    struct Point {
        int x, y;
    };
    for (const Point p : {Point{90, 89}, Point{95, 87}, Point{100, 88}, Point{105, 90},
                          Point{110, 92}, Point{285, 132}}) {
        EXPECT_EQ(chart.Pixel(p.x, p.y), Blue) << p.x << "," << p.y;
    }
    EXPECT_NE(chart.Pixel(95, 85), Blue);  // the peak is 3 pixels thick, not more
    EXPECT_EQ(chart.Pixel(387, 0), Blue);  // the stroke up to 500 leaves at the top
}

// A day number every sixth segment, 9 pixels left of its point, and the
// caption, each on a box as wide as its text and 14 pixels high. The widths
// are those of Arial's metrics at 12 pixels, so the labels sit where they did.
TEST(DrawChart, DayNumbersAndCaptionOnTheirBoxes) {
    struct Case {
        int length;
        CalendarMonth month;
        int labels;
        int captionWidth;
    };
    for (const Case c : {Case{96, {.Year = 2027, .Month = 7}, 15, 61},
                         Case{93, {.Year = 2026, .Month = 9}, 15, 84},
                         Case{87, {.Year = 2027, .Month = 2}, 14, 79}}) {
        const Picture chart = Draw(Curve{}, c.length, c.month);
        const auto boxWidth = [&](int x, int y) {
            int width = 0;
            while (chart.Pixel(x + width, y) == LabelBackground) {
                ++width;
            }
            return width;
        };
        std::vector<int> widths;
        for (int k = 6; k <= c.length - 3; k += 6) {
            const int x = 90 + 5 * (k - 1) - 9;
            // The box's top left corner and the pixels left of and above it.
            EXPECT_EQ(chart.Pixel(x, 154), LabelBackground) << k;
            EXPECT_NE(chart.Pixel(x - 1, 154), LabelBackground) << k;
            EXPECT_NE(chart.Pixel(x, 153), LabelBackground) << k;
            EXPECT_EQ(chart.Pixel(x, 167), LabelBackground) << k;
            EXPECT_NE(chart.Pixel(x, 168), LabelBackground) << k;
            widths.push_back(boxWidth(x, 154));
        }
        ASSERT_EQ(static_cast<int>(widths.size()), c.labels);
        // Every second day is numbered: 2, 4, 6, 8 have one digit, 10 and on two.
        for (int i = 0; i < c.labels; ++i) {
            EXPECT_EQ(widths[i], i < 4 ? 7 : 13) << "label " << i + 1;
        }
        EXPECT_EQ(chart.Pixel(105, 172), LabelBackground);
        EXPECT_NE(chart.Pixel(104, 172), LabelBackground);
        EXPECT_NE(chart.Pixel(105, 171), LabelBackground);
        EXPECT_EQ(chart.Pixel(105, 185), LabelBackground);
        EXPECT_NE(chart.Pixel(105, 186), LabelBackground);
        EXPECT_EQ(boxWidth(105, 172), c.captionWidth);
        // The caption's text is light, from its first letter to its last digit.
        int firstLight = -1;
        int lastLight = -1;
        for (int x = 105; x < 105 + c.captionWidth; ++x) {
            for (int y = 172; y < 186; ++y) {
                if (chart.Pixel(x, y).Red > 200) {
                    firstLight = firstLight < 0 ? x : firstLight;
                    lastLight = x;
                }
            }
        }
        EXPECT_LE(firstLight, 108) << c.month.Month;
        EXPECT_GE(lastLight, 105 + c.captionWidth - 3) << c.month.Month;
    }
}

// The markers of the JPEG's frame: baseline (SOF0), three colour components.
TEST(EncodeJpeg, BaselineColourJpeg) {
    const std::string jpeg = EncodeJpeg(Draw(Curve{}, 96, {.Year = 2026, .Month = 1}));
    const std::size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    EXPECT_EQ(jpeg.find("\xFF\xC2"), std::string::npos) << "progressive";
    EXPECT_EQ(static_cast<unsigned char>(jpeg[frame + 9]), 3u) << "components";
    const DecodedJpeg decoded = DecodeJpeg(jpeg);
    ASSERT_EQ(decoded.Width, 626);
    ASSERT_EQ(decoded.Height, 205);
    EXPECT_EQ(decoded.Components, 3);
    // The rows are in order, and red is not swapped with blue.
    const Rgb line = decoded.Pixel(300, 92);
    EXPECT_LT(line.Red, 60);
    EXPECT_GT(line.Blue, 200);
    const Rgb grey = decoded.Pixel(300, 20);
    EXPECT_NEAR(grey.Red, 200, 3);
    EXPECT_NEAR(grey.Blue, 200, 3);
}

// A working folder with the shipped template in System/.
class ChartFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_.Path() + "System");
        std::filesystem::copy_file(SourceDataFolder() + "System/month.bmp", TemplatePath());
    }
    std::string TemplatePath() const { return folder_.Path() + "System/month.bmp"; }
    std::string ScratchPath() const { return folder_.Path() + "System/tmp.bmp"; }
    Folders WorkingFolders() const { return Folders::ForWorkingFolder(folder_.Path()); }
    std::string Chart(const MonthInfluence& influence) {
        return DrawMonthChart(influence, {.Year = 2027, .Month = 7}, WorkingFolders(), cache_);
    }

    TemporaryFolder folder_;
    ChartTemplateCache cache_;
};

// The scratch bitmap holds exactly the picture drawn on the template, and the
// JPEG is that picture.
TEST_F(ChartFolderTest, WritesTheBitmapAndGivesTheJpeg) {
    MonthInfluence influence;
    influence.MonthCurveLength = 96;
    influence.MonthCurve[20] = 25;
    const std::string jpeg = Chart(influence);

    Picture drawn = DecodeBmp(ReadWholeFile(TemplatePath()));
    DrawChart(drawn, influence.MonthCurve, 96, {.Year = 2027, .Month = 7}, InstalledFont());
    EXPECT_EQ(ReadWholeFile(ScratchPath()), drawn.FileBytes());
    const DecodedJpeg decoded = DecodeJpeg(jpeg);
    ASSERT_EQ(decoded.Width, 626);
    ASSERT_EQ(decoded.Height, 205);
    // JPEG's losses, not another picture: mirrored or with red and blue swapped,
    // the mean difference is many times larger.
    double difference = 0;
    for (int y = 0; y < 205; ++y) {
        for (int x = 0; x < 626; ++x) {
            const Rgb a = decoded.Pixel(x, y);
            const Rgb b = drawn.Pixel(x, y);
            difference +=
                std::abs(a.Red - b.Red) + std::abs(a.Green - b.Green) + std::abs(a.Blue - b.Blue);
        }
    }
    EXPECT_LT(difference / (626 * 205 * 3), 4.0);
}

// Every chart starts from the template as it is on disk now.
TEST_F(ChartFolderTest, EachChartOnTheCurrentTemplate) {
    for (const Rgb background :
         {Rgb{.Red = 250, .Green = 240, .Blue = 200}, Rgb{.Red = 20, .Green = 120, .Blue = 60}}) {
        WriteFileAtomically(TemplatePath(), Picture(626, 205, background).FileBytes());
        testing::MarkAsChanged(TemplatePath());
        // A peak at point 10 (x 135), then one at point 50 (x 335) alone.
        for (const int peak : {10, 50}) {
            MonthInfluence influence;
            influence.MonthCurveLength = 96;
            influence.MonthCurve[peak] = 30;
            Chart(influence);
            const Picture bitmap = DecodeBmp(ReadWholeFile(ScratchPath()));
            EXPECT_EQ(bitmap.Pixel(5, 5), background);
            EXPECT_EQ(bitmap.Pixel(300, 92), Blue);
            EXPECT_EQ(bitmap.Pixel(90 + 5 * (peak - 1), 92 - 30), Blue) << peak;
            // The second chart of the same template is not drawn over the first.
            const int other = peak == 10 ? 50 : 10;
            EXPECT_EQ(bitmap.Pixel(90 + 5 * (other - 1), 92 - 30), background) << peak;
        }
    }
}

// A template the chart cannot use ends the chart with a message naming the
// file; the scratch picture of the last good chart stays as it was.
TEST_F(ChartFolderTest, UnusableTemplatesAreRefused) {
    MonthInfluence influence;
    influence.MonthCurveLength = 96;
    Chart(influence);
    const std::string goodScratch = ReadWholeFile(ScratchPath());
    const std::string shipped = ReadWholeFile(TemplatePath());
    struct Case {
        const char* name;
        std::string bytes;  // empty: no template at all
        std::string message;
    };
    const std::string path = TemplatePath();
    const Case cases[] = {
        {"missing", "", "File not found: " + path + " (No such file or directory)"},
        {"cut short", shipped.substr(0, shipped.size() / 2),
         "Cannot read the chart template " + path +
             ": cut short: 626 x 205 pixels need 385400 bytes from offset 54, the file has " +
             std::to_string(shipped.size() / 2) + " bytes"},
        {"not a bitmap", "\x89PNG\r\n\x1a\n" + std::string(100, '\0'),
         "Cannot read the chart template " + path + ": not a bitmap file"},
        {"another size", Picture(600, 205).FileBytes(),
         "Cannot read the chart template " + path + ": it is 600 x 205 pixels, not 626 x 205"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        if (!c.bytes.empty()) {
            WriteFileAtomically(path, c.bytes);
            testing::MarkAsChanged(path);
        }
        try {
            Chart(influence);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const InputOutputError& error) {
            EXPECT_EQ(error.what(), c.message) << c.name;
        }
        EXPECT_EQ(ReadWholeFile(ScratchPath()), goodScratch) << c.name;
    }
}

// The font is the working folder's own when System/ holds one, else the
// installed one; without either, or with a file that is not a font, the chart
// ends with a message naming the files.
TEST_F(ChartFolderTest, FontFromTheWorkingFolderOrTheInstallation) {
    const std::string local = folder_.Path() + "System/" + std::string(ChartFontFileName);
    const std::string installed = InstalledChartFontPath();
    EXPECT_EQ(ChooseChartFont(WorkingFolders().SystemFolder, installed), installed);
    try {
        ChooseChartFont(WorkingFolders().SystemFolder, folder_.Path() + "none.ttf");
        ADD_FAILURE() << "no error without a font";
    } catch (const InputOutputError& error) {
        EXPECT_EQ(error.what(), "The chart's font is missing: neither " + local + " nor " +
                                    folder_.Path() + "none.ttf exists");
    }

    folder_.Write("System/" + std::string(ChartFontFileName), "not a font");
    EXPECT_EQ(ChooseChartFont(WorkingFolders().SystemFolder, installed), local);
    MonthInfluence influence;
    influence.MonthCurveLength = 96;
    try {
        Chart(influence);
        ADD_FAILURE() << "no error for a broken font";
    } catch (const InputOutputError& error) {
        EXPECT_EQ(
            std::string(error.what())
                .rfind("Cannot read the chart's font " + local + ": not a font FreeType reads: ",
                       0),
            0u)
            << error.what();
    }
    EXPECT_FALSE(FileExists(ScratchPath()));

    std::filesystem::copy_file(installed, local, std::filesystem::copy_options::overwrite_existing);
    testing::MarkAsChanged(local);
    EXPECT_NO_THROW(Chart(influence));
}

}  // namespace
}  // namespace nevalorum
