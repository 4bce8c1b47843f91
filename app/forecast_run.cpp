#include "app/forecast_run.h"

#include <cstdio>
#include <optional>

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"
#include "common/messages.h"
#include "ephemeris/time_scale.h"
#include "report/month_chart.h"
#include "report/month_files.h"
#include "report/month_page.h"
#include "report/name_tables.h"
#include "transit/month_influence.h"

namespace nevalorum {
namespace {

// The refusals of a birth date and a name, which the window gives in Russian.
constexpr SharedMessage BirthYearOutOfRange{
    .Id = MessageId("The birth year %d lies outside the limits: give a year from 1920 to 2030."),
    .Russian = "Год рождения %d вне допустимых пределов: укажите год от 1920 до 2030."};
constexpr SharedMessage NoSuchBirthDate{
    .Id = MessageId("The birth date %s does not exist: check the day and month of birth."),
    .Russian = "Даты рождения %s не существует: проверьте день и месяц рождения."};
constexpr SharedMessage NameByteNotUtf8{
    .Id = MessageId(
        "The name holds at position %d a byte that is not a UTF-8 character: check the name."),
    .Russian =
        "Имя содержит в позиции %d байт, который не является символом UTF-8: проверьте имя."};
constexpr SharedMessage NameControlCharacter{
    .Id = MessageId(
        "The name holds at position %d a control character (code %u): remove it from the name."),
    .Russian = "Имя содержит в позиции %d управляющий символ (код %u): уберите его из имени."};

// The page of one month: its influence, its chart, its page, in that order.
std::string ForecastOneMonth(const ForecastRequest& request, const Folders& folders,
                             const CalendarMonth& start, const CalendarMonth& forecast,
                             const PlutoSource& pluto, const TopicSource& topic,
                             ForecastCaches& caches) {
    const MonthInfluence influence = ComputeMonthInfluence(request.Birth, forecast, pluto, topic);
    const std::string jpeg = DrawMonthChart(influence, forecast, folders, caches.ChartTemplates);
    const MonthPageInputs inputs{.Topic = request.Topic,
                                 .PersonName = request.PersonName,
                                 .Birth = request.Birth,
                                 .Forecast = forecast,
                                 .Start = start,
                                 .FontSizeSetting = request.FontSizeSetting};
    const std::string page = RenderMonthReport(inputs, influence, folders);

    // The chart and its page replace their old files together, or neither does.
    PendingFile chartFile(folders.OutputFolder + MonthFileName(forecast, ".jpeg"));
    chartFile.Write(jpeg);
    PendingFile pageFile(folders.OutputFolder + MonthFileName(forecast, ".html"));
    pageFile.Write(page);
    CommitTogether({&chartFile, &pageFile});
    return pageFile.Target();
}

}  // namespace

std::string NeutralButtonCaption(int button) {
    return std::to_string(button) + "-й месяц";
}

std::string TopicFilePath(const std::string& systemFolder, int topic) {
    return systemFolder + std::to_string(topic) + ".dat";
}

void CheckBirthDate(const CalendarDate& birth) {
    if (birth.Year < 1920 || birth.Year > 2030) {
        throw Error(Format(Wording(BirthYearOutOfRange), birth.Year));
    }
    if (!CalendarDateExists(birth)) {
        char date[48];
        std::snprintf(date, sizeof date, "%02d.%02d.%d", birth.Day, birth.Month, birth.Year);
        throw Error(Format(Wording(NoSuchBirthDate), date));
    }
}

void CheckPersonName(const std::string& name) {
    std::size_t offset = 0;
    for (int position = 1; offset < name.size(); ++position) {
        const std::optional<char32_t> character = DecodeUtf8At(name, offset);
        if (!character) {
            throw Error(Format(Wording(NameByteNotUtf8), position));
        }
        // C0 controls, DEL and the C1 controls, which pages would show as other characters.
        if (*character < 0x20 || (*character >= 0x7F && *character <= 0x9F)) {
            throw Error(
                Format(Wording(NameControlCharacter), position, static_cast<unsigned>(*character)));
        }
    }
}

void CheckForecastRequest(const ForecastRequest& request) {
    CheckBirthDate(request.Birth);
    CheckPersonName(request.PersonName);
}

ForecastResult RunForecast(const ForecastRequest& request, const FolderLock& lock,
                           const CalendarMonth& today, ForecastCaches& caches,
                           const std::function<void(const FinishedMonth&)>& onMonthDone) {
    CheckForecastRequest(request);
    const Folders& folders = lock.WorkingFolders();
    const bool computed = request.Topic >= 1 && request.Topic <= 7;
    // The data every month reads, read before the first file is written.
    std::optional<PlutoSource> pluto;
    std::optional<TopicSource> topic;
    if (computed) {
        pluto.emplace(folders.SystemFolder, LastMomentOfMonths(request.Birth, today, 6));
        topic.emplace(TopicFilePath(folders.SystemFolder, request.Topic), caches.Topics);
    }
    ForecastResult result{.Start = today, .Months = {}};
    for (int i = 0; i < 6; ++i) {
        FinishedMonth done;
        done.Button = i + 1;
        done.Forecast = result.Start.Plus(i);
        if (computed) {
            done.PagePath = ForecastOneMonth(request, folders, result.Start, done.Forecast, *pluto,
                                             *topic, caches);
        }
        done.Caption = std::string(MonthNamesCapitalized[done.Forecast.Month]) + " " +
                       std::to_string(done.Forecast.Year);
        if (onMonthDone) {
            onMonthDone(done);
        }
        result.Months.push_back(std::move(done));
    }
    return result;
}

}  // namespace nevalorum
