#pragma once
// The month chart: the month's influence curve drawn on the chart template
// System/month.bmp, with the day numbers and the month's name, saved as
// System/tmp.bmp and as Output/Hor_MM_YYYY.jpeg. Drawing text needs a
// QGuiApplication.

#include <QImage>
#include <string>

#include "common/file_cache.h"
#include "transit/month_influence.h"

namespace nevalorum {

// Where the chart's geometry puts things [pixels, origin top left, y down].
inline constexpr int ChartLeftEdge = 90;  // x of curve point 1
inline constexpr int ChartStep = 5;       // between two curve points
inline constexpr int ChartBaseLine = 92;  // y of the value 0
inline constexpr int ChartDayLabelTop = 154;
inline constexpr int ChartCaptionLeft = 105;
inline constexpr int ChartCaptionTop = 172;

// Draws the curve (positions 1 to monthCurveLength - 3 joined by segments, each
// five one-pixel strokes), a day number every sixth segment and the caption on
// the template.
QImage DrawChartPicture(const QImage& chartTemplate,
                        const std::array<std::int32_t, MonthCurvePositions + 1>& monthCurve,
                        std::int32_t monthCurveLength, int forecastMonth, int forecastYear);

// The picture as a baseline colour JPEG of quality 90.
std::string EncodeJpeg(const QImage& picture);

// Chart templates by path, decoded again when the file changes; every chart is
// drawn on a copy, so each starts from the clean template.
using ChartTemplateCache = ParsedFileCache<QImage>;

// Draws the month's chart on systemFolder + "month.bmp", writes it as
// systemFolder + "tmp.bmp" and as programFolder + "Output/Hor_MM_YYYY.jpeg";
// returns the JPEG's path. Throws InputOutputError when the template cannot be
// read or a file cannot be written.
std::string DrawMonthChart(const MonthInfluence& influence, int forecastMonth, int forecastYear,
                           const std::string& programFolder, const std::string& systemFolder,
                           ChartTemplateCache& templates);

}  // namespace nevalorum
