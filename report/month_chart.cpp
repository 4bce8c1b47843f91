#include "report/month_chart.h"

// libjpeg's header needs size_t and FILE declared first.
#include <jpeglib.h>
#include <cstddef>
#include <cstdio>

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>

#include "common/errors.h"
#include "common/files.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

QColor ColourOf(ChartColour colour) {
    return QColor(colour.Red, colour.Green, colour.Blue);
}
const QColor LineColour = ColourOf(ChartLineColour);
const QColor TextColour = ColourOf(ChartTextColour);
const QColor TextBackground = ColourOf(ChartLabelBackground);
constexpr int JpegQuality = 90;

// A straight stroke from (x0, y0) towards (x1, y1) that stops just before the
// end pixel, as a line-to drawing primitive does; pixels outside are skipped.
void StrokeTo(QImage& picture, int x0, int y0, int x1, int y1, QRgb colour) {
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    const int steps = std::max(dx, dy);
    int error = (dx > dy ? dx : -dy) / 2;
    int x = x0;
    int y = y0;
    for (int i = 0; i < steps; ++i) {
        if (picture.rect().contains(x, y)) {
            picture.setPixel(x, y, colour);
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
void DrawSegment(QImage& picture, QPoint a, QPoint b) {
    const QRgb colour = LineColour.rgb();
    StrokeTo(picture, a.x(), a.y(), b.x(), b.y(), colour);
    StrokeTo(picture, a.x() - 1, a.y(), b.x() - 1, b.y(), colour);
    StrokeTo(picture, a.x() + 1, a.y(), b.x() + 1, b.y(), colour);
    StrokeTo(picture, a.x(), a.y() - 1, b.x(), b.y() - 1, colour);
    StrokeTo(picture, a.x(), a.y() + 1, b.x(), b.y() + 1, colour);
}

// Text with its top left at (x, y), white on an opaque box as high as the font.
void DrawLabel(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics metrics(painter.font());
    painter.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), TextBackground);
    painter.drawText(x, y + metrics.ascent(), text);
}

QPoint CurvePoint(const std::array<std::int32_t, MonthCurvePositions + 1>& curve, int k) {
    return {ChartLeftEdge + ChartStep * (k - 1), ChartBaseLine - curve[k]};
}

QImage DecodePicture(const std::string& bytes) {
    QImage picture;
    picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                         static_cast<int>(bytes.size()));
    return picture;
}

// The template at path as it is on disk now.
const QImage& ChartTemplate(const std::string& path, ChartTemplateCache& templates,
                            std::shared_ptr<const QImage>& holder) {
    holder = templates.Get(path, DecodePicture);
    if (holder == nullptr) {
        throw NoRegularFileError(path);
    }
    if (holder->isNull()) {
        throw InputOutputError("Cannot read the picture " + path);
    }
    return *holder;
}

std::string PictureBytes(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format)) {
        throw InputOutputError(std::string("Cannot encode the chart as ") + format);
    }
    return bytes.toStdString();
}

// libjpeg reports a failure through error_exit, which must not return: jump
// back into EncodeRows, which then reports it.
struct JpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Return;
    char Message[JMSG_LENGTH_MAX];
};

void LeaveOnJpegError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->Message);
    std::longjmp(manager->Return, 1);
}

// Compresses rows of packed RGB into a memory buffer that libjpeg allocates.
// Holds only plain data, since a jump out of libjpeg skips destructors.
bool EncodeRows(const unsigned char* rgb, int width, int height, unsigned char** output,
                unsigned long* outputSize, char* message) {
    jpeg_compress_struct info;
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = LeaveOnJpegError;
    if (setjmp(errors.Return)) {
        jpeg_destroy_compress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.Message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, outputSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, JpegQuality, TRUE);  // baseline: no progressive scans
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<std::size_t>(info.next_scanline) *
                                                      static_cast<std::size_t>(width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

QImage DrawChartPicture(const QImage& chartTemplate,
                        const std::array<std::int32_t, MonthCurvePositions + 1>& monthCurve,
                        std::int32_t monthCurveLength, const CalendarMonth& forecast) {
    QImage picture = chartTemplate.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&picture);
    QFont font("Arial");
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(TextColour);

    int dayLabel = 0;
    for (int k = 1; k <= monthCurveLength - 3; ++k) {
        const QPoint a = CurvePoint(monthCurve, k);
        DrawSegment(picture, a, CurvePoint(monthCurve, k + 1));
        if (k % 6 == 0) {
            dayLabel += 2;
            DrawLabel(painter, a.x() - 9, ChartDayLabelTop, QString::number(dayLabel));
        }
    }
    const QString caption =
        QString::fromUtf8(MonthNamesCapitalized[forecast.Month].data(),
                          static_cast<qsizetype>(MonthNamesCapitalized[forecast.Month].size())) +
        " " + QString::number(forecast.Year);
    DrawLabel(painter, ChartCaptionLeft, ChartCaptionTop, caption);
    painter.end();
    return picture;
}

std::string EncodeJpeg(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    std::string packed;
    packed.reserve(static_cast<std::size_t>(rgb.width()) * 3 *
                   static_cast<std::size_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        packed.append(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                      static_cast<std::size_t>(rgb.width()) * 3);
    }
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    char message[JMSG_LENGTH_MAX] = "";
    const bool encoded = EncodeRows(reinterpret_cast<const unsigned char*>(packed.data()),
                                    rgb.width(), rgb.height(), &output, &outputSize, message);
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

std::string DrawMonthChart(const MonthInfluence& influence, const CalendarMonth& forecast,
                           const Folders& folders, ChartTemplateCache& templates) {
    std::shared_ptr<const QImage> chartTemplate;
    const QImage picture = DrawChartPicture(
        ChartTemplate(folders.SystemFolder + "month.bmp", templates, chartTemplate),
        influence.MonthCurve, influence.MonthCurveLength, forecast);
    // The bitmap holds the picture's pixels exactly, so the JPEG is encoded from
    // the picture in memory rather than from the file just written.
    WriteFileAtomically(folders.SystemFolder + "tmp.bmp", PictureBytes(picture, "BMP"));
    return EncodeJpeg(picture);
}

}  // namespace nevalorum
