#include "report/month_chart.h"

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <filesystem>

#include "common/errors.h"
#include "common/files.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::SourceDataFolder;
using testing::TemporaryFolder;

const QRgb Blue = qRgb(0, 0, 255);
const QRgb LabelBackground = qRgb(111, 145, 190);

// A plain grey template, so that every drawn pixel is known.
QImage PlainTemplate() {
    QImage picture(626, 205, QImage::Format_RGB32);
    picture.fill(qRgb(200, 200, 200));
    return picture;
}

using Curve = std::array<std::int32_t, MonthCurvePositions + 1>;

TEST(DrawChartPicture, FlatCurveIsABandOnRows91To93) {
    struct Case {
        int length;
        int lastX;  // x of the last point, whose end pixel is not drawn
    };
    for (const Case c : {Case{96, 555}, Case{93, 540}, Case{87, 510}}) {
        const QImage chart =
            DrawChartPicture(PlainTemplate(), Curve{}, c.length, {.Year = 2027, .Month = 7});
        // The centre row reaches one pixel further on each side (the strokes
        // shifted left and right); the rows above and below stop before the end.
        for (int x = 89; x <= c.lastX; ++x) {
            ASSERT_EQ(chart.pixel(x, 92), Blue) << c.length << " x " << x;
        }
        for (int x = 90; x < c.lastX; ++x) {
            ASSERT_EQ(chart.pixel(x, 91), Blue) << c.length << " x " << x;
            ASSERT_EQ(chart.pixel(x, 93), Blue) << c.length << " x " << x;
        }
        EXPECT_NE(chart.pixel(c.lastX, 91), Blue) << c.length;
        EXPECT_NE(chart.pixel(c.lastX, 93), Blue) << c.length;
        EXPECT_NE(chart.pixel(c.lastX + 1, 92), Blue) << c.length;
        EXPECT_NE(chart.pixel(88, 92), Blue) << c.length;
        EXPECT_NE(chart.pixel(100, 90), Blue) << c.length;
        EXPECT_NE(chart.pixel(100, 94), Blue) << c.length;
    }
}

// Point k lies at x = 90 + 5 (k - 1), y = 92 - value; nothing is clipped or scaled.
TEST(DrawChartPicture, PointsLieWhereTheirValuesPutThem) {
    Curve curve{};
    curve[1] = 3;
    curve[2] = 5;
    curve[3] = 4;
    curve[4] = 2;
    curve[40] = -40;
    curve[60] = 500;  // far above the picture: drawn outside, not shown
    const QImage chart = DrawChartPicture(PlainTemplate(), curve, 96, {.Year = 2027, .Month = 7});
    struct Point {
        int x, y;
    };
    for (const Point p : {Point{90, 89}, Point{95, 87}, Point{100, 88}, Point{105, 90},
                          Point{110, 92}, Point{285, 132}}) {
        EXPECT_EQ(chart.pixel(p.x, p.y), Blue) << p.x << "," << p.y;
    }
    EXPECT_NE(chart.pixel(95, 85), Blue);  // the peak is 3 pixels thick, not more
}

// A day number every sixth segment, 9 pixels left of its point, and the caption.
TEST(DrawChartPicture, DayNumbersAndCaptionOnTheirBoxes) {
    struct Case {
        int length;
        int labels;
    };
    for (const Case c : {Case{96, 15}, Case{93, 15}, Case{87, 14}}) {
        const QImage chart =
            DrawChartPicture(PlainTemplate(), Curve{}, c.length, {.Year = 2027, .Month = 11});
        std::vector<int> widths;
        for (int k = 6; k <= c.length - 3; k += 6) {
            const int x = 90 + 5 * (k - 1) - 9;
            // The box's top left corner and the pixel left of it.
            EXPECT_EQ(chart.pixel(x, 154), LabelBackground) << k;
            EXPECT_NE(chart.pixel(x - 1, 154), LabelBackground) << k;
            int width = 0;
            while (chart.pixel(x + width, 154) == LabelBackground) {
                ++width;
            }
            widths.push_back(width);
        }
        ASSERT_EQ(static_cast<int>(widths.size()), c.labels);
        // Every second day is numbered: 2, 4, 6, 8 have one digit, 10 and on two.
        for (int i = 1; i < c.labels; ++i) {
            EXPECT_EQ(widths[i] == widths[i - 1], i != 4) << "label " << i + 1;
        }
        EXPECT_GT(widths[4], widths[3]);
        EXPECT_EQ(chart.pixel(105, 172), LabelBackground);
        EXPECT_NE(chart.pixel(104, 172), LabelBackground);
        EXPECT_NE(chart.pixel(105, 171), LabelBackground);
        // Some pixel of the caption is white text.
        bool white = false;
        for (int x = 106; x < 180 && !white; ++x) {
            for (int y = 173; y < 186 && !white; ++y) {
                white = chart.pixel(x, y) == qRgb(255, 255, 255);
            }
        }
        EXPECT_TRUE(white);
    }
}

// The markers of the JPEG's frame: baseline (SOF0), three colour components.
TEST(EncodeJpeg, BaselineColourJpeg) {
    const std::string jpeg =
        EncodeJpeg(DrawChartPicture(PlainTemplate(), Curve{}, 96, {.Year = 2026, .Month = 1}));
    const std::size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    EXPECT_EQ(jpeg.find("\xFF\xC2"), std::string::npos) << "progressive";
    EXPECT_EQ(static_cast<unsigned char>(jpeg[frame + 9]), 3u) << "components";
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(reinterpret_cast<const uchar*>(jpeg.data()),
                                     static_cast<int>(jpeg.size()), "JPEG"));
    EXPECT_EQ(decoded.size(), QSize(626, 205));
    const QColor line = decoded.pixelColor(300, 92);
    EXPECT_LT(line.red(), 60);
    EXPECT_GT(line.blue(), 200);
}

TEST(DrawMonthChart, WritesTheBitmapAndGivesTheJpeg) {
    TemporaryFolder folder;
    std::filesystem::create_directories(folder.Path() + "System");
    std::filesystem::copy_file(SourceDataFolder() + "System/month.bmp",
                               folder.Path() + "System/month.bmp");
    MonthInfluence influence;
    influence.MonthCurveLength = 96;
    ChartTemplateCache templates;
    const Folders folders = Folders::ForWorkingFolder(folder.Path());
    const std::string jpeg =
        DrawMonthChart(influence, {.Year = 2027, .Month = 7}, folders, templates);
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(reinterpret_cast<const uchar*>(jpeg.data()),
                                     static_cast<int>(jpeg.size()), "JPEG"));
    EXPECT_EQ(decoded.size(), QSize(626, 205));
    QImage bitmap(QString::fromStdString(folder.Path() + "System/tmp.bmp"));
    EXPECT_EQ(bitmap.size(), QSize(626, 205));
    EXPECT_EQ(bitmap.pixel(300, 92), Blue);

    // No template.
    std::filesystem::remove(folder.Path() + "System/month.bmp");
    EXPECT_THROW(DrawMonthChart(influence, {.Year = 2027, .Month = 7}, folders, templates),
                 InputOutputError);
}

}  // namespace
}  // namespace nevalorum

namespace nevalorum {
namespace {

// Every chart starts from the template as it is on disk now.
TEST(DrawMonthChart, EachChartOnTheCurrentTemplate) {
    testing::TemporaryFolder folder;
    std::filesystem::create_directories(folder.Path() + "Output");
    std::filesystem::create_directories(folder.Path() + "System");
    const std::string templatePath = folder.Path() + "System/month.bmp";
    MonthInfluence influence;
    influence.MonthCurveLength = 96;
    influence.MonthCurve[10] = 30;
    ChartTemplateCache templates;
    struct Case {
        QRgb background;
    };
    for (const Case c : {Case{qRgb(250, 240, 200)}, Case{qRgb(20, 120, 60)}}) {
        QImage picture(626, 205, QImage::Format_RGB32);
        picture.fill(c.background);
        picture.save(QString::fromStdString(templatePath), "BMP");
        std::filesystem::last_write_time(
            templatePath, std::filesystem::last_write_time(templatePath) + std::chrono::seconds(1));
        for (int run = 0; run < 2; ++run) {
            DrawMonthChart(influence, {.Year = 2027, .Month = 7},
                           Folders::ForWorkingFolder(folder.Path()), templates);
            QImage bitmap(QString::fromStdString(folder.Path() + "System/tmp.bmp"));
            EXPECT_EQ(bitmap.pixel(5, 5), c.background);
            EXPECT_EQ(bitmap.pixel(300, 92), qRgb(0, 0, 255));
            // The second chart of the same template is not drawn over the first.
            EXPECT_EQ(bitmap.pixel(134, 92 - 30 - 3), c.background);
        }
    }
    std::filesystem::resize_file(templatePath, 10);  // no longer a picture
    EXPECT_THROW(DrawMonthChart(influence, {.Year = 2027, .Month = 7},
                                Folders::ForWorkingFolder(folder.Path()), templates),
                 InputOutputError);
}

}  // namespace
}  // namespace nevalorum
