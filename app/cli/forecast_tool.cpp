// nevalorum-forecast: the forecast without a window.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <span>
#include <string>
#include <vector>

#include <ctime>

#include "app/cli/command_line.h"
#include "app/folder_lock.h"
#include "app/forecast_periods.h"
#include "app/forecast_run.h"
#include "app/working_folder.h"
#include "archive/output_archive.h"
#include "common/errors.h"
#include "common/folders.h"
#include "common/messages.h"
#include "ephemeris/positions.h"
#include "transit/month_influence.h"

namespace nevalorum {
namespace {

// The usage of the whole tool: printed for --help, and after a usage error.
constexpr const char* Usage = MessageId(
    "Usage:\n"
    "  nevalorum-forecast positions --date DATE [--time HH:MM[:SS]] [--workdir DIR] [--json]\n"
    "  nevalorum-forecast influence --birth DATE --month MONTH --topic TOPIC [--workdir DIR]\n"
    "                               [--json]\n"
    "  nevalorum-forecast forecast --name NAME --birth DATE --topic TOPIC [--today DATE]\n"
    "                              [--workdir DIR] [--no-archive]\n"
    "  nevalorum-forecast calendar --name NAME --birth DATE --topic TOPIC [--today DATE]\n"
    "                              [--workdir DIR] -o FILE.ics\n"
    "  nevalorum-forecast periods --birth DATE --topic TOPIC [--today DATE] [--workdir DIR]\n"
    "                             [--json]\n"
    "  nevalorum-forecast init DIR\n"
    "  nevalorum-forecast [COMMAND] --help | --version\n"
    "\n"
    "DATE is D.M.YYYY or YYYY-MM-DD; the time defaults to 12:00:00. MONTH is M.YYYY or\n"
    "YYYY-MM. TOPIC is 1 to 7 or finance, business, love, sex, auto, vacation, health.\n"
    "DIR is the working folder whose System/ holds pluto.sys and the topic files\n"
    "(default: the current folder); forecast writes the six months from today's month\n"
    "(or that of --today) into its Output/. init creates a working folder from the\n"
    "installed data, adding only what is missing.\n"
    "\n"
    "COMMAND --help prints a command's options; --version prints the version.\n"
    "Exit status: 0 when done, 1 after an error, 2 after wrong usage.\n");

constexpr const char* Version = "nevalorum-forecast (Nevalorum Pelinor) " NEVALORUM_VERSION "\n";

constexpr const char* CommonOptions = MessageId(
    "  -h, --help         print this help and exit\n"
    "  --version          print the version and exit\n");

constexpr const char* PositionsHelp = MessageId(
    "Usage: nevalorum-forecast positions --date DATE [--time HH:MM[:SS]] [--workdir DIR]\n"
    "                                    [--json]\n"
    "\n"
    "Prints the geocentric ecliptic longitude [degrees] of the Sun and the planets\n"
    "Mercury to Pluto at a moment, one line per body (\"Sun 280.377312\").\n"
    "\n"
    "Options:\n"
    "  --date DATE        the day, as D.M.YYYY or YYYY-MM-DD\n"
    "  --time HH:MM[:SS]  the time of day (default: 12:00:00)\n"
    "  --workdir DIR      the working folder whose System/ holds pluto.sys\n"
    "                     (default: the current folder)\n"
    "  --json             print the moment and the longitudes as JSON\n");

constexpr const char* InfluenceHelp = MessageId(
    "Usage: nevalorum-forecast influence --birth DATE --month MONTH --topic TOPIC\n"
    "                                    [--workdir DIR] [--json]\n"
    "\n"
    "Prints one forecast month's computation: the birth positions, each day's aspects\n"
    "with their strengths and the day's value, and the smoothed curve.\n"
    "\n"
    "Options:\n"
    "  --birth DATE       the birth date, as D.M.YYYY or YYYY-MM-DD\n"
    "  --month MONTH      the month, as M.YYYY or YYYY-MM\n"
    "  --topic TOPIC      1 to 7 or finance, business, love, sex, auto, vacation, health\n"
    "  --workdir DIR      the working folder whose System/ holds pluto.sys and the\n"
    "                     topic files (default: the current folder)\n"
    "  --json             print the result as JSON with 17 significant digits\n");

constexpr const char* ForecastHelp = MessageId(
    "Usage: nevalorum-forecast forecast --name NAME --birth DATE --topic TOPIC\n"
    "                                   [--today DATE] [--workdir DIR] [--no-archive]\n"
    "\n"
    "Writes the six months from today's month into the working folder's Output/: a\n"
    "page Hor_MM_YYYY.html and a chart Hor_MM_YYYY.jpeg per month, printing each\n"
    "page's path as it is written; then packs Output/ into Output/Horoscop.zip and\n"
    "prints the archive's path.\n"
    "\n"
    "Options:\n"
    "  --name NAME        the person's name, as the pages show it\n"
    "  --birth DATE       the birth date, as D.M.YYYY or YYYY-MM-DD (1920 to 2030)\n"
    "  --topic TOPIC      1 to 7 or finance, business, love, sex, auto, vacation, health\n"
    "  --today DATE       a day of the first month (default: today)\n"
    "  --workdir DIR      the working folder, which holds System/ and Output/\n"
    "                     (default: the current folder)\n"
    "  --no-archive       leave the archive Output/Horoscop.zip as it is\n");

constexpr const char* InitHelp = MessageId(
    "Usage: nevalorum-forecast init DIR\n"
    "\n"
    "Creates the working folder DIR from the installed data (System/, Output/ with\n"
    "the strength marks, Html/, Help/); adds only what is missing and overwrites\n"
    "nothing. Prints each folder and file it created.\n"
    "\n"
    "Options:\n");

constexpr const char* CalendarHelp = MessageId(
    "Usage: nevalorum-forecast calendar --name NAME --birth DATE --topic TOPIC\n"
    "                                   [--today DATE] [--workdir DIR] -o FILE.ics\n"
    "\n"
    "Writes the six months from today's month as an iCalendar file: one all-day\n"
    "event per period in which an aspect is in force, with the aspect and its\n"
    "strength as the title and its paragraph as the description. Importing the\n"
    "file again updates the events rather than adding them twice. Prints the\n"
    "file's path.\n"
    "\n"
    "Options:\n"
    "  --name NAME        the person's name, as the calendar's name shows it\n"
    "  --birth DATE       the birth date, as D.M.YYYY or YYYY-MM-DD (1920 to 2030)\n"
    "  --topic TOPIC      1 to 7 or finance, business, love, sex, auto, vacation, health\n"
    "  --today DATE       a day of the first month (default: today)\n"
    "  --workdir DIR      the working folder whose System/ holds pluto.sys and the\n"
    "                     topic files (default: the current folder)\n"
    "  -o, --output FILE  the calendar file to write\n");

constexpr const char* PeriodsHelp = MessageId(
    "Usage: nevalorum-forecast periods --birth DATE --topic TOPIC [--today DATE]\n"
    "                                  [--workdir DIR] [--json]\n"
    "\n"
    "Prints the six months from today's month as periods: each run of consecutive\n"
    "days on which one aspect is in force, with its first and last day, its\n"
    "strength and its paragraph; then each month's best and worst days.\n"
    "\n"
    "Options:\n"
    "  --birth DATE       the birth date, as D.M.YYYY or YYYY-MM-DD (1920 to 2030)\n"
    "  --topic TOPIC      1 to 7 or finance, business, love, sex, auto, vacation, health\n"
    "  --today DATE       a day of the first month (default: today)\n"
    "  --workdir DIR      the working folder whose System/ holds pluto.sys and the\n"
    "                     topic files (default: the current folder)\n"
    "  --json             print the periods as JSON\n");

// The messages of the calendar and periods commands.
constexpr const char* CalendarWrittenFormat = "%s\n";
constexpr const char* PeriodLineFormat = "%s .. %s  %s %s %s (%+d)\n";
constexpr const char* HighlightsLineFormat = "%04d-%02d  best: %s  worst: %s\n";

const char* AspectName(int aspect) {
    switch (aspect) {
        case 0:
            return "conjunction";
        case 60:
            return "sextile";
        case 90:
            return "square";
        case 120:
            return "trine";
        default:
            return "opposition";
    }
}

std::string BodyName(BodyNumber body) {
    return std::string(BodyTable[body - 1].Name);
}

// {"1": ..., "3": ..., ...} of the listed bodies' longitudes.
void PrintLongitudesJson(const BodyLongitudes& longitudes, std::span<const BodyNumber> bodies) {
    std::printf("{");
    const char* separator = "";
    for (BodyNumber body : bodies) {
        std::printf("%s\"%d\": %.17g", separator, static_cast<int>(body), longitudes[body]);
        separator = ", ";
    }
    std::printf("}");
}

void PrintInfluenceJson(const MonthInfluence& month) {
    std::printf("{\"NatalLongitudes\": ");
    PrintLongitudesJson(month.NatalLongitudes, NatalBodies);
    std::printf(", \"days\": [");
    for (const DayInfluence& day : month.Days) {
        std::printf("%s{\"day\": %d, \"moment\": %.17g, \"transit\": ", day.Day == 1 ? "" : ", ",
                    day.Day, day.Moment);
        PrintLongitudesJson(day.TransitLongitudes, TransitBodies);
        std::printf(", \"hits\": [");
        const char* separator = "";
        for (const AspectHit& hit : day.Hits) {
            std::printf("%s{\"transit\": %d, \"aspect\": %d, \"natal\": %d, \"strength\": %d}",
                        separator, static_cast<int>(hit.TransitBody), hit.Aspect,
                        static_cast<int>(hit.NatalBody), hit.Reading.Strength);
            separator = ", ";
        }
        std::printf("], \"value\": %.17g}", day.Value);
    }
    std::printf("], \"MonthCurveLength\": %d, \"MonthCurve\": [", month.MonthCurveLength);
    for (int k = 1; k <= month.MonthCurveLength; ++k) {
        std::printf("%s%d", k == 1 ? "" : ", ", month.MonthCurve[k]);
    }
    std::printf("]}\n");
}

void PrintInfluenceText(const MonthInfluence& month) {
    std::printf("Natal positions:");
    for (BodyNumber body : NatalBodies) {
        std::printf(" %s %.3f", BodyName(body).c_str(), month.NatalLongitudes[body]);
    }
    std::printf("\n");
    for (const DayInfluence& day : month.Days) {
        std::printf("Day %2d  value %6.1f ", day.Day, day.Value);
        const char* separator = " ";
        for (const AspectHit& hit : day.Hits) {
            std::printf("%s%s %s %s (%+d)", separator, BodyName(hit.TransitBody).c_str(),
                        AspectName(hit.Aspect), BodyName(hit.NatalBody).c_str(),
                        hit.Reading.Strength);
            separator = ", ";
        }
        std::printf("\n");
    }
    std::printf("Curve (%d points):", month.MonthCurveLength);
    for (int k = 1; k <= month.MonthCurveLength; ++k) {
        std::printf(" %d", month.MonthCurve[k]);
    }
    std::printf("\n");
}

const std::set<std::string> InfluenceValueOptions = {"--birth", "--month", "--topic", "--workdir"};

// The influence of one forecast month for a birth date and topic.
int InfluenceCommand(const std::vector<std::string>& arguments) {
    const ParsedOptions options = ParseOptions(arguments, InfluenceValueOptions, {"--json"});
    const CalendarDate birth = ParseDate(options.Required("--birth"));
    const CalendarMonth month = ParseMonth(options.Required("--month"));
    const int topic = ParseTopic(options.Required("--topic"));
    const Folders folders = Folders::ForWorkingFolder(options.ValueOr("--workdir", "."));

    TopicFileCache topicCache;
    const MonthInfluence influence = ComputeMonthInfluence(
        birth, month, PlutoSource(folders.SystemFolder, LastMomentOfMonths(birth, month, 1)),
        TopicSource(TopicFilePath(folders.SystemFolder, topic), topicCache));
    if (options.Flag("--json")) {
        PrintInfluenceJson(influence);
    } else {
        PrintInfluenceText(influence);
    }
    return 0;
}

const std::set<std::string> PositionsValueOptions = {"--date", "--time", "--workdir"};

// Longitudes of every computed body at the moment, one line per body or as JSON.
int PositionsCommand(const std::vector<std::string>& arguments) {
    const ParsedOptions options = ParseOptions(arguments, PositionsValueOptions, {"--json"});
    const CalendarDate date = ParseDate(options.Required("--date"));
    const ClockTime time =
        options.Has("--time") ? ParseTime(options.Values.at("--time")) : ClockTime{};
    const Folders folders = Folders::ForWorkingFolder(options.ValueOr("--workdir", "."));

    const EphemerisDay moment = CalendarToEphemerisDay(date.Day, date.Month, date.Year, time.Hour,
                                                       time.Minute, time.Second);
    // Only the one day's record is kept: the table is read as far as it.
    const BodyLongitudes longitudes = ComputeLongitudes(
        moment, ComputedBodies, PlutoSource(folders.SystemFolder, moment, moment));

    if (options.Flag("--json")) {
        std::printf("{\"moment\": %.17g, \"longitudes\": ", moment);
        PrintLongitudesJson(longitudes, ComputedBodies);
        std::printf("}\n");
    } else {
        for (BodyNumber body : ComputedBodies) {
            std::printf("%s %.6f\n", std::string(BodyTable[body - 1].Name).c_str(),
                        longitudes[body]);
        }
    }
    return 0;
}

// A text as a JSON string, quoted and escaped.
std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string IsoDate(const CalendarDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(date.Year),
                  static_cast<int>(date.Month), static_cast<int>(date.Day));
    return text;
}

std::string DaysText(const std::vector<int>& days, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < days.size(); ++i) {
        text += (i == 0 ? "" : separator) + std::to_string(days[i]);
    }
    return text;
}

void PrintPeriodsJson(const ForecastPeriods& periods) {
    std::printf("{\"periods\": [");
    const char* separator = "";
    for (const InfluencePeriod& period : periods.Periods) {
        std::printf(
            "%s{\"transit\": %d, \"aspect\": %d, \"natal\": %d, \"first\": \"%s\", "
            "\"last\": \"%s\", \"strength\": %d, \"text\": %s}",
            separator, static_cast<int>(period.Key.TransitBody), period.Key.Aspect,
            static_cast<int>(period.Key.NatalBody), IsoDate(period.First).c_str(),
            IsoDate(period.Last).c_str(), period.Reading.Strength,
            JsonString(ParagraphHtml(period.Reading)).c_str());
        separator = ", ";
    }
    std::printf("], \"months\": [");
    separator = "";
    for (const MonthHighlights& month : periods.Months) {
        std::printf("%s{\"month\": \"%04d-%02d\", \"best\": [%s], \"worst\": [%s]}", separator,
                    static_cast<int>(month.Month.Year), static_cast<int>(month.Month.Month),
                    DaysText(month.BestDays, ", ").c_str(),
                    DaysText(month.WorstDays, ", ").c_str());
        separator = ", ";
    }
    std::printf("]}\n");
}

void PrintPeriodsText(const ForecastPeriods& periods) {
    for (const InfluencePeriod& period : periods.Periods) {
        std::printf(PeriodLineFormat, IsoDate(period.First).c_str(), IsoDate(period.Last).c_str(),
                    BodyName(period.Key.TransitBody).c_str(), AspectName(period.Key.Aspect),
                    BodyName(period.Key.NatalBody).c_str(), period.Reading.Strength);
    }
    for (const MonthHighlights& month : periods.Months) {
        std::printf(HighlightsLineFormat, static_cast<int>(month.Month.Year),
                    static_cast<int>(month.Month.Month), DaysText(month.BestDays, ",").c_str(),
                    DaysText(month.WorstDays, ",").c_str());
    }
}

// Today's month and year from the local clock, read once.
CalendarDate Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {.Day = local.tm_mday, .Month = local.tm_mon + 1, .Year = local.tm_year + 1900};
}

// The options of the forecast command.
const std::set<std::string> ForecastValueOptions = {"--name", "--birth", "--topic", "--today",
                                                    "--workdir"};

// The six month pages of a forecast, one line per page written.
int ForecastCommand(const std::vector<std::string>& arguments) {
    const ParsedOptions options = ParseOptions(arguments, ForecastValueOptions, {"--no-archive"});
    const ForecastRequest request{.PersonName = options.Required("--name"),
                                  .Birth = ParseDateText(options.Required("--birth")),
                                  .Topic = ParseTopic(options.Required("--topic"))};
    CheckForecastRequest(request);
    const CalendarDate today =
        options.Has("--today") ? ParseDate(options.Values.at("--today")) : Today();
    const Folders folders = Folders::ForWorkingFolder(options.ValueOr("--workdir", "."));

    // From the first check to the archive in place, the folder is this run's.
    const FolderLock lock(folders);
    ForecastCaches caches;
    RunForecast(request, lock, {.Year = today.Year, .Month = today.Month}, caches,
                [](const FinishedMonth& done) {
                    std::printf("%s\n", done.PagePath.c_str());
                    std::fflush(stdout);
                });
    if (!options.Flag("--no-archive")) {
        ArchiveOutput(folders);
        std::printf("%s\n", folders.ArchivePath.c_str());
    }
    return 0;
}

// The month of --today, or this month.
CalendarMonth FirstMonth(const ParsedOptions& options) {
    const CalendarDate today =
        options.Has("--today") ? ParseDate(options.Values.at("--today")) : Today();
    return {.Year = today.Year, .Month = today.Month};
}

const std::set<std::string> PeriodsValueOptions = {"--birth", "--topic", "--today", "--workdir"};

// The six months as periods, printed as lines or JSON.
int PeriodsCommand(const std::vector<std::string>& arguments) {
    const ParsedOptions options = ParseOptions(arguments, PeriodsValueOptions, {"--json"});
    const ForecastSubject subject{.PersonName = "",
                                  .Birth = ParseDateText(options.Required("--birth")),
                                  .Topic = ParseTopic(options.Required("--topic")),
                                  .Start = FirstMonth(options)};
    const Folders folders = Folders::ForWorkingFolder(options.ValueOr("--workdir", "."));
    ForecastCaches caches;
    const ForecastPeriods periods = ComputeForecastPeriods(subject, folders, caches);
    if (options.Flag("--json")) {
        PrintPeriodsJson(periods);
    } else {
        PrintPeriodsText(periods);
    }
    return 0;
}

const std::set<std::string> CalendarValueOptions = {"--name",    "--birth",  "--topic", "--today",
                                                    "--workdir", "--output", "-o"};

// The six months as an iCalendar file, one event per period.
int CalendarCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> spelled = arguments;
    for (std::string& argument : spelled) {
        if (argument == "-o") {
            argument = "--output";
        }
    }
    const ParsedOptions options = ParseOptions(spelled, CalendarValueOptions, {});
    const ForecastSubject subject{.PersonName = options.Required("--name"),
                                  .Birth = ParseDateText(options.Required("--birth")),
                                  .Topic = ParseTopic(options.Required("--topic")),
                                  .Start = FirstMonth(options)};
    const std::string path = options.Required("--output");
    const Folders folders = Folders::ForWorkingFolder(options.ValueOr("--workdir", "."));
    ForecastCaches caches;
    SaveForecastCalendar(subject, ComputeForecastPeriods(subject, folders, caches), path,
                         std::time(nullptr));
    std::printf(CalendarWrittenFormat, path.c_str());
    return 0;
}

// Lays out a working folder from the installed data; says what it created.
int InitCommand(const std::vector<std::string>& arguments) {
    if (arguments.size() != 1 || arguments[0].starts_with("--")) {
        throw UsageError(Translate("init takes the working folder"));
    }
    const InitResult result = InitWorkingFolder(InstalledDataFolder(), arguments[0]);
    for (const std::string& path : result.Created) {
        std::printf(Translate("Created %s\n"), path.c_str());
    }
    for (const std::string& path : result.Repaired) {
        std::printf(Translate("Repaired %s\n"), path.c_str());
    }
    if (result.Created.empty() && result.Repaired.empty()) {
        std::printf(Translate("%s already holds everything; nothing created\n"),
                    arguments[0].c_str());
    }
    return 0;
}

// Prints the help or the version when the arguments ask for one; whether they did.
bool AnswerInfoRequest(const std::vector<std::string>& arguments,
                       const std::set<std::string>& valueOptions, const char* help,
                       const char* options) {
    switch (FindInfoRequest(arguments, valueOptions)) {
        case InfoRequest::Help:
            std::fputs(Translate(help), stdout);
            std::fputs(Translate(options), stdout);
            return true;
        case InfoRequest::Version:
            std::fputs(Version, stdout);
            return true;
        case InfoRequest::None:
            break;
    }
    return false;
}

struct SubCommand {
    const char* Name;
    const char* Help;  // for --help, which adds CommonOptions
    // The options that take a value: what follows one is data, never --help.
    const std::set<std::string>& ValueOptions;
    int (*Command)(const std::vector<std::string>& arguments);
};

const std::set<std::string> NoValueOptions;

const SubCommand SubCommands[] = {
    {.Name = "positions",
     .Help = PositionsHelp,
     .ValueOptions = PositionsValueOptions,
     .Command = PositionsCommand},
    {.Name = "influence",
     .Help = InfluenceHelp,
     .ValueOptions = InfluenceValueOptions,
     .Command = InfluenceCommand},
    {.Name = "forecast",
     .Help = ForecastHelp,
     .ValueOptions = ForecastValueOptions,
     .Command = ForecastCommand},
    {.Name = "calendar",
     .Help = CalendarHelp,
     .ValueOptions = CalendarValueOptions,
     .Command = CalendarCommand},
    {.Name = "periods",
     .Help = PeriodsHelp,
     .ValueOptions = PeriodsValueOptions,
     .Command = PeriodsCommand},
    {.Name = "init", .Help = InitHelp, .ValueOptions = NoValueOptions, .Command = InitCommand},
};

int Run(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        throw UsageError(Translate("Missing sub-command"));
    }
    // Before a sub-command only --help and --version are understood.
    if (AnswerInfoRequest({arguments[0]}, NoValueOptions, Usage, "")) {
        return 0;
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    for (const SubCommand& command : SubCommands) {
        if (arguments[0] == command.Name) {
            return AnswerInfoRequest(rest, command.ValueOptions, command.Help, CommonOptions)
                       ? 0
                       : command.Command(rest);
        }
    }
    throw UsageError(Format(Translate("Unknown sub-command '%s'"), arguments[0].c_str()));
}

}  // namespace
}  // namespace nevalorum

int main(int argc, char** argv) {
    // The catalogue installed beside the program's bin/ folder, or the build's.
    nevalorum::UseMessageCatalogue(nevalorum::InstalledCatalogueFolder);
    int status = 1;
    try {
        status = nevalorum::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const nevalorum::UsageError& error) {
        std::fprintf(stderr, "%s\n\n%s", error.what(), nevalorum::Translate(nevalorum::Usage));
        status = 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        status = 1;
    }
    // What could not be written was not said: a full disk or a closed pipe is an error.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        const std::string reason = nevalorum::SystemReason(errno);
        std::fprintf(stderr, nevalorum::Translate("nevalorum-forecast: standard output: %s\n"),
                     reason.c_str());
        return status == 0 ? 1 : status;
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0) {
        return status == 0 ? 1 : status;
    }
    return status;
}
