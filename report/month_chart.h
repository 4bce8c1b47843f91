#pragma once
// The month chart: the month's influence curve drawn on the chart template
// System/month.bmp, with the day numbers and the month's name, saved as
// System/tmp.bmp and as Output/Hor_MM_YYYY.jpeg.

#include <string>

#include "common/file_cache.h"
#include "common/folders.h"
#include "report/chart_font.h"
#include "report/chart_geometry.h"
#include "report/picture.h"
#include "transit/month_influence.h"

namespace nevalorum {

// Draws the curve (positions 1 to monthCurveLength - 3 joined by segments, each
// five one-pixel strokes), a day number every sixth segment and the caption on
// the picture, a copy of the template.
void DrawChart(Picture& picture,
               const std::array<std::int32_t, MonthCurvePositions + 1>& monthCurve,
               std::int32_t monthCurveLength, const CalendarMonth& forecast, const ChartFont& font);

// The picture as a baseline colour JPEG of quality 90.
std::string EncodeJpeg(const Picture& picture);

// The chart templates and the chart's font by path, each read again when its
// file changes. Every chart is drawn on a copy of the template in Canvas, so
// each starts from the clean template and the next chart reuses the memory.
struct ChartTemplateCache {
    ParsedFileCache<Picture> Templates;
    ParsedFileCache<ChartFont> Fonts;
    Picture Canvas;
};

// The template at path, checked to be a bitmap of ChartWidth x ChartHeight.
// Throws InputOutputError naming the file when it is missing, cut short, not a
// bitmap the program reads or of another size.
std::shared_ptr<const Picture> ReadChartTemplate(const std::string& path,
                                                 ChartTemplateCache& cache);

// The font file at path. Throws InputOutputError naming the file when it
// cannot be read or is not a font with every character the chart writes.
std::shared_ptr<const ChartFont> ReadChartFont(const std::string& path, ChartTemplateCache& cache);

// Draws the month's chart on System/month.bmp and writes it as the scratch
// picture System/tmp.bmp; returns the chart as the JPEG that the run writes as
// Output/Hor_MM_YYYY.jpeg beside its page. Throws InputOutputError when the
// template or the font cannot be read or the scratch picture cannot be written.
std::string DrawMonthChart(const MonthInfluence& influence, const CalendarMonth& forecast,
                           const Folders& folders, ChartTemplateCache& templates);

}  // namespace nevalorum
