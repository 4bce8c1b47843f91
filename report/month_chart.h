#pragma once
// The month chart: the month's influence curve drawn on the chart template
// System/month.bmp, with the day numbers and the month's name, saved as
// System/tmp.bmp and as Output/Hor_MM_YYYY.jpeg. Drawing text needs a
// QGuiApplication.

#include <QImage>
#include <string>

#include "common/file_cache.h"
#include "common/folders.h"
#include "report/chart_geometry.h"
#include "transit/month_influence.h"

namespace nevalorum {

// Draws the curve (positions 1 to monthCurveLength - 3 joined by segments, each
// five one-pixel strokes), a day number every sixth segment and the caption on
// the template.
QImage DrawChartPicture(const QImage& chartTemplate,
                        const std::array<std::int32_t, MonthCurvePositions + 1>& monthCurve,
                        std::int32_t monthCurveLength, const CalendarMonth& forecast);

// The picture as a baseline colour JPEG of quality 90.
std::string EncodeJpeg(const QImage& picture);

// Chart templates by path, decoded again when the file changes; every chart is
// drawn on a copy, so each starts from the clean template.
using ChartTemplateCache = ParsedFileCache<QImage>;

// Draws the month's chart on System/month.bmp and writes it as the scratch
// picture System/tmp.bmp; returns the chart as the JPEG that the run writes as
// Output/Hor_MM_YYYY.jpeg beside its page. Throws InputOutputError when the
// template cannot be read or the scratch picture cannot be written.
std::string DrawMonthChart(const MonthInfluence& influence, const CalendarMonth& forecast,
                           const Folders& folders, ChartTemplateCache& templates);

}  // namespace nevalorum
