#include "report/month_chart.h"

// libjpeg's header needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <vector>

#include "common/errors.h"
#include "common/files.h"
#include "common/loaded_library.h"
#include "report/bmp_codec.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

constexpr Rgb ColourOf(ChartColour colour) {
    return {.Red = static_cast<std::uint8_t>(colour.Red),
            .Green = static_cast<std::uint8_t>(colour.Green),
            .Blue = static_cast<std::uint8_t>(colour.Blue)};
}
constexpr Rgb LineColour = ColourOf(ChartLineColour);
constexpr Rgb TextColour = ColourOf(ChartTextColour);
constexpr Rgb TextBackground = ColourOf(ChartLabelBackground);
constexpr int JpegQuality = 90;

struct Point {
    int X, Y;
};

// A straight stroke from (x0, y0) towards (x1, y1) that stops just before the
// end pixel, as a line-to drawing primitive does; pixels outside are skipped.
void StrokeTo(Picture& picture, int x0, int y0, int x1, int y1) {
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    const int steps = std::max(dx, dy);
    int error = (dx > dy ? dx : -dy) / 2;
    int x = x0;
    int y = y0;
    for (int i = 0; i < steps; ++i) {
        if (picture.Contains(x, y)) {
            picture.SetPixel(x, y, LineColour);
        }
        const int previous = error;
        if (previous > -dx) {
            error -= dy;
            x += stepX;
        }
        if (previous < dy) {
            error += dx;
            y += stepY;
        }
    }
}

// One segment of the curve: the centre stroke and the strokes shifted one pixel
// left, right, up and down.
void DrawSegment(Picture& picture, Point a, Point b) {
    StrokeTo(picture, a.X, a.Y, b.X, b.Y);
    StrokeTo(picture, a.X - 1, a.Y, b.X - 1, b.Y);
    StrokeTo(picture, a.X + 1, a.Y, b.X + 1, b.Y);
    StrokeTo(picture, a.X, a.Y - 1, b.X, b.Y - 1);
    StrokeTo(picture, a.X, a.Y + 1, b.X, b.Y + 1);
}

Point CurvePoint(const std::array<std::int32_t, MonthCurvePositions + 1>& curve, int k) {
    return {ChartLeftEdge + ChartStep * (k - 1), ChartBaseLine - curve[k]};
}

Picture DecodeBmpFile(const std::string& bytes) {
    return DecodeBmp(bytes);
}

// libjpeg reports a failure through error_exit, which must not return: jump
// back into EncodeRows, which then reports it.
struct JpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Return;
    char Message[JMSG_LENGTH_MAX];
};

#define NEVALORUM_JPEG_FUNCTIONS(X) \
    X(jpeg_std_error)               \
    X(jpeg_CreateCompress)          \
    X(jpeg_destroy_compress)        \
    X(jpeg_mem_dest)                \
    X(jpeg_set_defaults)            \
    X(jpeg_set_quality)             \
    X(jpeg_start_compress)          \
    X(jpeg_write_scanlines)         \
    X(jpeg_finish_compress)

constexpr SharedMessage NoJpegLibrary{.Id = MessageId("The chart cannot be written as JPEG: %s"),
                                      .Russian = "Не удаётся записать график в формате JPEG: %s"};

// libjpeg, opened when the first chart is written.
NEVALORUM_FUNCTION_TABLE(JpegFunctions, NEVALORUM_JPEG_FUNCTIONS, NEVALORUM_JPEG_LIBRARY,
                         NoJpegLibrary);

void LeaveOnJpegError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->Message);
    std::longjmp(manager->Return, 1);
}

// Compresses rows of blue, green, red pixels, given top row first, into a
// memory buffer that libjpeg allocates. Holds only plain data, since a jump out
// of libjpeg skips destructors.
bool EncodeRows(JSAMPROW* rows, int width, int height, unsigned char** output,
                unsigned long* outputSize, char* message) {
    const JpegFunctions& jpeg = Opened<JpegFunctions>();
    jpeg_compress_struct info;
    JpegErrorManager errors;
    info.err = jpeg.jpeg_std_error(&errors.Base);
    errors.Base.error_exit = LeaveOnJpegError;
    if (setjmp(errors.Return)) {
        jpeg.jpeg_destroy_compress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.Message);
        return false;
    }
    jpeg.jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof info);
    jpeg.jpeg_mem_dest(&info, output, outputSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg.jpeg_set_defaults(&info);
    jpeg.jpeg_set_quality(&info, JpegQuality, TRUE);  // baseline: no progressive scans
    jpeg.jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        jpeg.jpeg_write_scanlines(&info, rows + info.next_scanline,
                                  info.image_height - info.next_scanline);
    }
    jpeg.jpeg_finish_compress(&info);
    jpeg.jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

void DrawChart(Picture& picture,
               const std::array<std::int32_t, MonthCurvePositions + 1>& monthCurve,
               std::int32_t monthCurveLength, const CalendarMonth& forecast,
               const ChartFont& font) {
    int dayLabel = 0;
    for (int k = 1; k <= monthCurveLength - 3; ++k) {
        const Point a = CurvePoint(monthCurve, k);
        DrawSegment(picture, a, CurvePoint(monthCurve, k + 1));
        if (k % 6 == 0) {
            dayLabel += 2;
            font.DrawLabel(picture, a.X - 9, ChartDayLabelTop, std::to_string(dayLabel), TextColour,
                           TextBackground);
        }
    }
    const std::string caption =
        std::string(MonthNamesCapitalized[forecast.Month]) + " " + std::to_string(forecast.Year);
    font.DrawLabel(picture, ChartCaptionLeft, ChartCaptionTop, caption, TextColour, TextBackground);
}

std::string EncodeJpeg(const Picture& picture) {
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y) {
        rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(picture.Row(y));
    }
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    char message[JMSG_LENGTH_MAX] = "";
    const bool encoded =
        EncodeRows(rows.data(), picture.Width(), picture.Height(), &output, &outputSize, message);
    std::string jpeg;
    if (output != nullptr) {
        jpeg.assign(reinterpret_cast<const char*>(output), outputSize);
        std::free(output);
    }
    if (!encoded) {
        throw InputOutputError(std::string("Cannot encode the chart as JPEG: ") + message);
    }
    return jpeg;
}

std::shared_ptr<const Picture> ReadChartTemplate(const std::string& path,
                                                 ChartTemplateCache& cache) {
    std::shared_ptr<const Picture> picture;
    try {
        picture = cache.Templates.Get(path, DecodeBmpFile);
    } catch (const BitmapFormatError& error) {
        throw InputOutputError("Cannot read the chart template " + path + ": " + error.what());
    }
    if (picture == nullptr) {
        throw NoRegularFileError(path);
    }
    if (picture->Width() != ChartWidth || picture->Height() != ChartHeight) {
        throw InputOutputError("Cannot read the chart template " + path + ": it is " +
                               std::to_string(picture->Width()) + " x " +
                               std::to_string(picture->Height()) + " pixels, not " +
                               std::to_string(ChartWidth) + " x " + std::to_string(ChartHeight));
    }
    return picture;
}

std::shared_ptr<const ChartFont> ReadChartFont(const std::string& path, ChartTemplateCache& cache) {
    std::shared_ptr<const ChartFont> font;
    try {
        font = cache.Fonts.Get(path, ChartFont::FromFileBytes);
    } catch (const FontFormatError& error) {
        throw InputOutputError("Cannot read the chart's font " + path + ": " + error.what());
    }
    if (font == nullptr) {
        throw NoRegularFileError(path);
    }
    return font;
}

std::string DrawMonthChart(const MonthInfluence& influence, const CalendarMonth& forecast,
                           const Folders& folders, ChartTemplateCache& templates) {
    const std::shared_ptr<const Picture> chartTemplate =
        ReadChartTemplate(folders.SystemFolder + "month.bmp", templates);
    const std::string fontPath = ChooseChartFont(folders.SystemFolder, InstalledChartFontPath());
    const std::shared_ptr<const ChartFont> font = ReadChartFont(fontPath, templates);
    Picture& picture = templates.Canvas;
    picture = *chartTemplate;
    try {
        DrawChart(picture, influence.MonthCurve, influence.MonthCurveLength, forecast, *font);
    } catch (const FontFormatError& error) {
        throw InputOutputError("Cannot read the chart's font " + fontPath + ": " + error.what());
    }
    // The scratch bitmap holds the picture's pixels exactly, so the JPEG is
    // encoded from the picture in memory rather than from the file just written.
    OverwriteScratchFile(folders.SystemFolder + "tmp.bmp", picture.FileBytes());
    return EncodeJpeg(picture);
}

}  // namespace nevalorum
