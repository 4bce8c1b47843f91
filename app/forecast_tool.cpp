// nevalorum-forecast: the forecast without a window.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/folders.h"
#include "common/errors.h"
#include "ephemeris/positions.h"

namespace nevalorum {
namespace {

constexpr const char* Usage =
    "Usage:\n"
    "  nevalorum-forecast positions --date DATE [--time HH:MM[:SS]] [--workdir DIR] [--json]\n"
    "\n"
    "DATE is D.M.YYYY or YYYY-MM-DD; the time defaults to 12:00:00. DIR is the working\n"
    "folder whose System/pluto.sys is read (default: the current folder).\n";

// Longitudes of every computed body at the moment, one line per body or as JSON.
int PositionsCommand(const std::vector<std::string>& arguments) {
    const ParsedOptions options =
        ParseOptions(arguments, {"--date", "--time", "--workdir"}, {"--json"});
    const CalendarDate date = ParseDate(options.Required("--date"));
    const ClockTime time =
        options.Has("--time") ? ParseTime(options.Values.at("--time")) : ClockTime{};
    const Folders folders = Folders::ForWorkingFolder(options.ValueOr("--workdir", "."));

    const EphemerisDay moment = CalendarToEphemerisDay(date.Day, date.Month, date.Year, time.Hour,
                                                       time.Minute, time.Second);
    PlutoTableCache cache;
    const BodyLongitudes longitudes =
        ComputeLongitudes(moment, ComputedBodies, PlutoSource(folders.SystemFolder, cache));

    if (options.Flag("--json")) {
        std::printf("{\"moment\": %.17g, \"longitudes\": {", moment);
        const char* separator = "";
        for (BodyNumber body : ComputedBodies) {
            std::printf("%s\"%d\": %.17g", separator, static_cast<int>(body), longitudes[body]);
            separator = ", ";
        }
        std::printf("}}\n");
    } else {
        for (BodyNumber body : ComputedBodies) {
            std::printf("%s %.6f\n", std::string(BodyTable[body - 1].Name).c_str(),
                        longitudes[body]);
        }
    }
    return 0;
}

int Run(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        throw UsageError("Missing sub-command");
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (arguments[0] == "positions") {
        return PositionsCommand(rest);
    }
    throw UsageError("Unknown sub-command '" + arguments[0] + "'");
}

}  // namespace
}  // namespace nevalorum

int main(int argc, char** argv) {
    try {
        return nevalorum::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const nevalorum::UsageError& error) {
        std::cerr << error.what() << "\n\n" << nevalorum::Usage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}
