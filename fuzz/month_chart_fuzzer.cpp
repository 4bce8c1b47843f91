// The chart template: the input as System/month.bmp, drawn on by DrawMonthChart.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/errors.h"
#include "fuzz/fuzz_support.h"
#include "report/month_chart.h"
#include "report/offscreen_application.h"

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

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The chart draws its text through Qt, which needs an application.
    static const OffscreenGuiApplication application;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MonthInfluence month = SampleMonth();
    const Folders folders = Folders::ForWorkingFolder(fuzzing::ProcessFolder());
    fuzzing::WriteFile(folders.SystemFolder + "month.bmp",
                       std::string(reinterpret_cast<const char*>(data), size));
    ChartTemplateCache templates;  // its own, as a rewrite of one size may keep the stamp
    try {
        const std::string jpeg =
            DrawMonthChart(month, {.Year = 2027, .Month = 1}, folders, templates);
        if (jpeg.rfind("\xFF\xD8\xFF", 0) != 0) {
            fuzzing::Fail("the chart is not a JPEG");
        }
    } catch (const Error&) {
        // A template that is no picture is refused with its message.
    }
    std::set<std::string> names = fuzzing::NamesIn(folders.SystemFolder);
    names.erase("tmp.bmp");  // left by an earlier input, or not written when refused
    if (names != std::set<std::string>{"month.bmp"}) {
        fuzzing::Fail("a temporary file is left in System/");
    }
    return 0;
}
