#include "app/forecast_periods.h"

#include <vector>

#include "common/errors.h"
#include "common/files.h"
#include "common/messages.h"
#include "report/forecast_calendar.h"
#include "transit/month_influence.h"

namespace nevalorum {

ForecastPeriods ComputeForecastPeriods(const ForecastSubject& subject, const Folders& folders,
                                       ForecastCaches& caches) {
    if (subject.Topic < 1 || subject.Topic > 7) {
        static constexpr SharedMessage UnknownTopic{
            .Id = MessageId("The forecast topic %d is unknown: give a topic from 1 to 7."),
            .Russian = "Тема прогноза %d неизвестна: укажите тему от 1 до 7."};
        throw Error(Format(Wording(UnknownTopic), subject.Topic));
    }
    CheckForecastRequest(
        {.PersonName = subject.PersonName, .Birth = subject.Birth, .Topic = subject.Topic});
    const PlutoSource pluto(folders.SystemFolder,
                            LastMomentOfMonths(subject.Birth, subject.Start, 6));
    const TopicSource topic(TopicFilePath(folders.SystemFolder, subject.Topic), caches.Topics);
    std::vector<MonthInfluence> months;
    for (int k = 0; k < 6; ++k) {
        months.push_back(ComputeMonthInfluence(subject.Birth, subject.Start.Plus(k), pluto, topic));
    }
    return FindPeriods(subject.Start, months);
}

void SaveForecastCalendar(const ForecastSubject& subject, const ForecastPeriods& periods,
                          const std::string& path, std::time_t stamp) {
    WriteFileAtomically(path, RenderForecastCalendar(subject, periods, stamp));
}

}  // namespace nevalorum
