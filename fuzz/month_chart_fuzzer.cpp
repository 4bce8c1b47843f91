// The chart template: the input as System/month.bmp, read by the bitmap codec
// and drawn on by DrawMonthChart.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/errors.h"
#include "fuzz/fuzz_support.h"
#include "report/bmp_codec.h"
#include "report/month_chart.h"

using namespace nevalorum;

namespace {

// A month whose curve climbs, falls below the base line and comes back.
MonthInfluence SampleMonth() {
    std::vector<double> dayValues;
    for (int day = 0; day < 31; ++day) {
        dayValues.push_back(2.2 * ((day * 7) % 23 - 11));
    }
    MonthInfluence month;
    month.MonthCurveLength = 3 * 31 + 3;
    month.MonthCurve = SmoothMonthCurve(dayValues, month.MonthCurveLength);
    return month;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MonthInfluence month = SampleMonth();
    const Folders folders = Folders::ForWorkingFolder(fuzzing::ProcessFolder());
    fuzzing::WriteFile(folders.SystemFolder + "month.bmp",
                       std::string(reinterpret_cast<const char*>(data), size));
    ChartTemplateCache templates;  // its own, as a rewrite of one size may keep the stamp
    std::string jpeg;
    try {
        jpeg = DrawMonthChart(month, {.Year = 2027, .Month = 1}, folders, templates);
    } catch (const Error&) {
        // A template that is no bitmap of the chart's size is refused with its message.
    }
    if (!jpeg.empty()) {
        if (jpeg.rfind("\xFF\xD8\xFF", 0) != 0) {
            fuzzing::Fail("the chart is not a JPEG");
        }
        // The scratch picture is a bitmap of the chart's size that reads back.
        try {
            const Picture scratch = DecodeBmp(fuzzing::ReadFile(folders.SystemFolder + "tmp.bmp"));
            if (scratch.Width() != ChartWidth || scratch.Height() != ChartHeight) {
                fuzzing::Fail("the scratch picture is not 626 x 205");
            }
        } catch (const Error& error) {
            fuzzing::Fail(std::string("the scratch picture does not read back: ") + error.what());
        }
    }
    std::set<std::string> names = fuzzing::NamesIn(folders.SystemFolder);
    names.erase("tmp.bmp");  // left by an earlier input, or not written when refused
    if (names != std::set<std::string>{"month.bmp"}) {
        fuzzing::Fail("a temporary file is left in System/");
    }
    return 0;
}
