// The page writer: the person's name (UTF-8 bytes) and the style and help
// fragments (files in System/) through RenderMonthReport.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/errors.h"
#include "fuzz/fuzz_support.h"
#include "report/month_page.h"
#include "transit/month_influence.h"

using namespace nevalorum;

namespace {

// A month with paragraphs on its days, from the shipped data.
const MonthInfluence& SampleMonth() {
    static const MonthInfluence month = [] {
        const std::string system = fuzzing::SourceDataFolder() + "System/";
        TopicFileCache topics;
        return ComputeMonthInfluence({.Day = 5, .Month = 3, .Year = 1990},
                                     {.Year = 2027, .Month = 1}, PlutoSource(system),
                                     TopicSource(system + "3.dat", topics));
    }();
    return month;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int fontSize = input.ConsumeIntegralInRange(0, 3);
    const std::string name = input.ConsumeRandomLengthString(256);
    const std::string style = input.ConsumeRandomLengthString(4096);
    const std::string help = input.ConsumeRemainingBytesAsString();

    const Folders folders = Folders::ForWorkingFolder(fuzzing::ProcessFolder());
    fuzzing::WriteFile(folders.SystemFolder + "style_" + std::to_string(fontSize + 1) + ".dat",
                       style);
    fuzzing::WriteFile(folders.SystemFolder + "help.dat", help);

    const MonthPageInputs inputs{.Topic = 3,
                                 .PersonName = name,
                                 .Birth = {.Day = 5, .Month = 3, .Year = 1990},
                                 .Forecast = {.Year = 2027, .Month = 1},
                                 .Start = {.Year = 2026, .Month = 11},
                                 .FontSizeSetting = fontSize};
    std::string page;
    try {
        page = RenderMonthReport(inputs, SampleMonth(), folders);
    } catch (const Error&) {
        return 0;  // a name that is not UTF-8 is refused with its message
    }
    // The page is whole: its first and last lines, and the help text's last line before its end.
    const std::string ending = "</td></tr> </table> </body> </html>\r\n";
    if (page.rfind("<html> <head> <title>", 0) != 0 || page.size() < ending.size() ||
        page.compare(page.size() - ending.size(), ending.size(), ending) != 0) {
        fuzzing::Fail("the page is cut");
    }
    const std::vector<std::string> helpLines = FragmentLines(help);
    if (page.find(helpLines.back() + "\r\n</DIV>\r\n" + ending) == std::string::npos) {
        fuzzing::Fail("the help text does not end the page");
    }
    // The heading is one line: nothing of the name may open a new element.
    const std::string escaped = EscapeNameForPage(name);
    if (escaped.find_first_of("<>\"") != std::string::npos) {
        fuzzing::Fail("the name keeps a markup character");
    }
    return 0;
}
