// Draws the month chart template that the program reads as System/month.bmp:
// 626 x 205 pixels, 24-bit uncompressed BMP.
//
// The program draws onto it with the geometry of report/chart_geometry.h, which
// this generator shares:
//   - the influence curve: point k at x = 90 + 5 (k - 1), y = 92 - value, three
//     points per day, in pure blue; day d spans x = 90 + 15 (d - 1) .. 90 + 15 d,
//     a 31-day month ends at x = 555;
//   - the even day numbers, white on RGB(111, 145, 190), top at y = 154,
//     starting near x = 106 + 30 (n - 1) for day 2n;
//   - the month caption in the same style at (105, 172).
// The template keeps clear of pure blue, stays light behind the curve and paints
// the band under the plot in the labels' own background colour, so the number
// and caption boxes merge into it.
//
// Usage: make_chart_template OUTPUT.bmp [--preview PREVIEW.png]
// With --preview it also writes a PNG of the template with a made-up month drawn
// on it the way the program does, to judge how the chart reads.
// Run with QT_QPA_PLATFORM=offscreen (it needs fonts, not a display).

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QPen>
#include <QtGui/QPolygonF>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "report/chart_geometry.h"
#include "tools/picture_tool.h"

namespace {

using nevalorum::ChartBaseLine;
using nevalorum::ChartCaptionLeft;
using nevalorum::ChartCaptionTop;
using nevalorum::ChartDayLabelTop;
using nevalorum::ChartLabelBackground;
using nevalorum::ChartLeftEdge;
using nevalorum::ChartStep;

constexpr int Width = nevalorum::ChartWidth;
constexpr int Height = nevalorum::ChartHeight;

// The plot: day boundaries every 15 px from the first to the 32nd line.
constexpr int PlotLeft = ChartLeftEdge;
constexpr int DayWidth = 3 * ChartStep;
constexpr int DayLines = 32;
constexpr int PlotRight = PlotLeft + DayWidth * (DayLines - 1);  // 555
constexpr int BaseY = ChartBaseLine;
constexpr int PlotTop = 24;
constexpr int PlotBottom = 152;
// The frame around the plot sits a few pixels outside the outer day lines.
constexpr int FrameLeft = PlotLeft - 3;
constexpr int FrameRight = PlotRight + 3;
// The band of day numbers and the caption, in the colour of their boxes.
constexpr int BandTop = 153;

const QColor Page(0xF5, 0xF7, 0xFB);
const QColor Border(0x8F, 0xA6, 0xC6);
const QColor LabelBox(ChartLabelBackground.Red, ChartLabelBackground.Green,
                      ChartLabelBackground.Blue);
const QColor BandEdge(0x5E, 0x7D, 0xA8);
const QColor FavourTop(0xD6, 0xE4, 0xF7);
const QColor FavourBase(0xF1, 0xF5, 0xFC);
const QColor AgainstBase(0xFC, 0xF2, 0xF2);
const QColor AgainstBottom(0xF6, 0xDA, 0xDA);
const QColor DayLine(0xC4, 0xCD, 0xDC);
const QColor ScaleFavour(0xB7, 0xC8, 0xE2);
const QColor ScaleAgainst(0xE4, 0xC0, 0xC0);
const QColor BaseLine(0x45, 0x52, 0x6C);
const QColor FavourText(0x2E, 0x5A, 0x9C);
const QColor AgainstText(0xA8, 0x3A, 0x3A);
const QColor BandText(0xE6, 0xED, 0xF6);

QFont SmallFont(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The soft blue area above the base line and the soft red one below it, both
// stronger away from the line.
void DrawAreas(QPainter& painter) {
    QLinearGradient favour(0, PlotTop, 0, BaseY);
    favour.setColorAt(0.0, FavourTop);
    favour.setColorAt(1.0, FavourBase);
    painter.fillRect(QRect(QPoint(FrameLeft, PlotTop), QPoint(FrameRight, BaseY - 1)), favour);

    QLinearGradient against(0, BaseY + 1, 0, PlotBottom);
    against.setColorAt(0.0, AgainstBase);
    against.setColorAt(1.0, AgainstBottom);
    painter.fillRect(QRect(QPoint(FrameLeft, BaseY + 1), QPoint(FrameRight, PlotBottom)), against);
}

// Dotted scale lines every 20 px on both sides of the base line.
void DrawScaleLines(QPainter& painter) {
    for (int step = 20; step <= 60; step += 20) {
        for (const int y : {BaseY - step, BaseY + step}) {
            if (y >= PlotBottom) {
                continue;
            }
            const QColor colour = y < BaseY ? ScaleFavour : ScaleAgainst;
            for (int x = FrameLeft; x <= FrameRight; x += 3) {
                painter.fillRect(QRect(x, y, 2, 1), colour);
            }
        }
    }
}

// One thin line per day boundary, x = 90, 105, ..., 555.
void DrawDayLines(QPainter& painter) {
    for (int i = 0; i < DayLines; ++i) {
        const int x = PlotLeft + DayWidth * i;
        painter.fillRect(QRect(QPoint(x, PlotTop), QPoint(x, PlotBottom)), DayLine);
    }
}

void DrawFrameAndBase(QPainter& painter) {
    painter.fillRect(QRect(QPoint(FrameLeft, PlotTop), QPoint(FrameRight, PlotTop)), DayLine);
    painter.fillRect(QRect(QPoint(FrameLeft, PlotTop), QPoint(FrameLeft, PlotBottom)), DayLine);
    painter.fillRect(QRect(QPoint(FrameRight, PlotTop), QPoint(FrameRight, PlotBottom)), DayLine);
    // The base line: dark, one pixel, with a soft pixel on either side, and
    // carried into the left scale.
    painter.fillRect(QRect(QPoint(FrameLeft, BaseY - 1), QPoint(FrameRight, BaseY - 1)),
                     QColor(0xC9, 0xD1, 0xDF));
    painter.fillRect(QRect(QPoint(FrameLeft, BaseY + 1), QPoint(FrameRight, BaseY + 1)),
                     QColor(0xDD, 0xCF, 0xD3));
    painter.fillRect(QRect(QPoint(66, BaseY), QPoint(FrameRight, BaseY)), BaseLine);
}

// The scale at the left: a two-coloured bar with ticks at the scale lines,
// arrows and the words for the two halves.
void DrawScale(QPainter& painter) {
    constexpr int BarLeft = 76;
    constexpr int BarWidth = 6;

    QLinearGradient favour(0, PlotTop + 8, 0, BaseY);
    favour.setColorAt(0.0, QColor(0x4F, 0x7F, 0xC4));
    favour.setColorAt(1.0, QColor(0xC2, 0xD4, 0xEE));
    painter.fillRect(QRect(BarLeft, PlotTop + 8, BarWidth, BaseY - PlotTop - 8), favour);

    QLinearGradient against(0, BaseY + 1, 0, PlotBottom - 8);
    against.setColorAt(0.0, QColor(0xF0, 0xCC, 0xCC));
    against.setColorAt(1.0, QColor(0xC8, 0x55, 0x55));
    painter.fillRect(QRect(BarLeft, BaseY + 1, BarWidth, PlotBottom - 8 - BaseY), against);

    for (int step = 20; step <= 60; step += 20) {
        painter.fillRect(QRect(BarLeft + BarWidth + 1, BaseY - step, 4, 1),
                         ScaleFavour.darker(125));
        if (BaseY + step < PlotBottom) {
            painter.fillRect(QRect(BarLeft + BarWidth + 1, BaseY + step, 4, 1),
                             ScaleAgainst.darker(125));
        }
    }

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const qreal mid = BarLeft + BarWidth / 2.0;
    painter.setBrush(QColor(0x4F, 0x7F, 0xC4));
    painter.drawPolygon(QPolygonF(
        {QPointF(mid - 5, PlotTop + 8), QPointF(mid + 5, PlotTop + 8), QPointF(mid, PlotTop + 1)}));
    painter.setBrush(QColor(0xC8, 0x55, 0x55));
    painter.drawPolygon(
        QPolygonF({QPointF(mid - 5, PlotBottom - 8), QPointF(mid + 5, PlotBottom - 8),
                   QPointF(mid, PlotBottom - 1)}));
    painter.setBrush(Qt::NoBrush);

    // The words, right-aligned against the bar, in the narrow face so that
    // they fit the margin on one line.
    const auto word = [&](int y, const QColor& colour, const QFont& font, const QString& text) {
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QRect(2, y, BarLeft - 6, 14), Qt::AlignRight | Qt::AlignVCenter, text);
    };
    QFont words(QStringLiteral("Liberation Sans Narrow"));
    words.setPixelSize(10);
    words.setBold(true);
    word(50, FavourText, words, QString::fromUtf8("благоприятно"));
    word(115, AgainstText, words, QString::fromUtf8("неблагоприятно"));
    word(26, FavourText, SmallFont(12, true), QStringLiteral("+"));
    word(137, AgainstText, SmallFont(12, true), QString::fromUtf8("\u2212"));
    painter.setRenderHint(QPainter::Antialiasing, false);
}

// The band under the plot, where the program writes the day numbers and the
// month caption on boxes of the same colour.
void DrawBand(QPainter& painter) {
    painter.fillRect(QRect(QPoint(0, BandTop), QPoint(Width - 1, Height - 1)), LabelBox);
    painter.fillRect(QRect(QPoint(0, BandTop), QPoint(Width - 1, BandTop)), BandEdge);

    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(SmallFont(10));
    painter.setPen(BandText);
    painter.drawText(QRect(4, 154, 96, 15), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("дни месяца"));
    // What the chart is, quietly at the bottom right, clear of the caption.
    painter.drawText(QRect(FrameRight - 220, 186, 221, 14), Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromUtf8("влияние транзитов по дням"));
}

QImage DrawTemplate() {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Page);
    QPainter painter(&image);
    DrawAreas(painter);
    DrawScaleLines(painter);
    DrawDayLines(painter);
    DrawFrameAndBase(painter);
    DrawScale(painter);
    DrawBand(painter);
    // A thin border around the whole picture.
    painter.setPen(Border);
    painter.drawRect(0, 0, Width - 1, Height - 1);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

// A made-up month drawn roughly the way the program draws it, for the preview.
QImage DrawPreview(const QImage& base) {
    QImage image = base.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&image);
    constexpr int Days = 31;
    QPolygon curve;
    for (int k = 1; k <= 3 * Days; ++k) {
        const double t = (k - 1) / 3.0;
        const int value =
            static_cast<int>(std::lround(38 * std::sin(t / 3.1) + 20 * std::sin(t / 1.3 + 1)));
        curve << QPoint(PlotLeft + ChartStep * (k - 1), BaseY - value);
    }
    painter.setPen(QPen(QColor(0, 0, 255), 3));
    painter.drawPolyline(curve);

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const auto label = [&](int x, int y, const QString& text) {
        const QRect box(x, y, metrics.horizontalAdvance(text), metrics.height());
        painter.fillRect(box, LabelBox);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
    };
    for (int n = 1; 2 * n <= 30; ++n) {
        label(PlotLeft + 6 * ChartStep * n - ChartStep - 9, ChartDayLabelTop,
              QString::number(2 * n));
    }
    label(ChartCaptionLeft, ChartCaptionTop, QString::fromUtf8("Июль 2027"));
    painter.end();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    return RunPictureTool(argc, argv, "make_chart_template", DrawTemplate, DrawPreview);
}
