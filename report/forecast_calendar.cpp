#include "report/forecast_calendar.h"

#include <libical/ical.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/errors.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// FNV-1a, 64 bits: the same digits for the same text on every machine and in
// every version of the program.
std::uint64_t StableHash(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 0x100000001b3ULL;
    }
    return hash;
}

icaltimetype DateOf(const CalendarDate& date) {
    icaltimetype time = icaltime_null_date();
    time.year = date.Year;
    time.month = date.Month;
    time.day = date.Day;
    return time;
}

icalproperty* XProperty(const char* name, const std::string& value) {
    icalproperty* property = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(property, name);
    return property;
}

}  // namespace

std::string PeriodSummary(const InfluencePeriod& period) {
    return AspectSummary(period.Key) + " · " + StrengthWords(period.Reading.Strength);
}

std::string PeriodUid(const ForecastSubject& subject, const InfluencePeriod& period) {
    char uid[128];
    std::snprintf(uid, sizeof uid, "%016llx-%04d%02d%02d-%d-%d-%d@nevalorum-pelinor",
                  static_cast<unsigned long long>(StableHash(
                      subject.PersonName + "\n" + std::to_string(subject.Birth.Day) + "." +
                      std::to_string(subject.Birth.Month) + "." +
                      std::to_string(subject.Birth.Year) + "\n" + std::to_string(subject.Topic))),
                  static_cast<int>(period.First.Year), static_cast<int>(period.First.Month),
                  static_cast<int>(period.First.Day), static_cast<int>(period.Key.TransitBody),
                  period.Key.Aspect, static_cast<int>(period.Key.NatalBody));
    return uid;
}

std::string RenderForecastCalendar(const ForecastSubject& subject, const ForecastPeriods& periods,
                                   std::time_t stamp) {
    const std::string topic(WindowTopicTitles[subject.Topic]);
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    if (!calendar) {
        throw Error("Не удаётся составить календарь прогноза.");
    }
    icalcomponent_add_property(calendar.get(),
                               icalproperty_new_prodid("-//Nevalorum Pelinor//Forecast//RU"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_method(ICAL_METHOD_PUBLISH));
    icalcomponent_add_property(
        calendar.get(),
        XProperty("X-WR-CALNAME",
                  subject.PersonName.empty() ? topic : topic + " — " + subject.PersonName));

    const icaltimetype now =
        icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone());
    for (const InfluencePeriod& period : periods.Periods) {
        icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        icalcomponent_add_component(calendar.get(), event);
        icalcomponent_add_property(event, icalproperty_new_uid(PeriodUid(subject, period).c_str()));
        icalcomponent_add_property(event, icalproperty_new_dtstamp(now));
        icalcomponent_add_property(event, icalproperty_new_dtstart(DateOf(period.First)));
        // An all-day event ends before the day its end names.
        icaltimetype end = DateOf(period.Last);
        icaltime_adjust(&end, 1, 0, 0, 0);
        icalcomponent_add_property(event, icalproperty_new_dtend(end));
        icalcomponent_add_property(event, icalproperty_new_summary(PeriodSummary(period).c_str()));
        icalcomponent_add_property(
            event, icalproperty_new_description(PlainText(ParagraphHtml(period.Reading)).c_str()));
        if (period.Reading.Strength != 0) {
            icalcomponent_add_property(
                event, icalproperty_new_categories(period.Reading.Strength > 0 ? "Благоприятно"
                                                                               : "Неблагоприятно"));
        }
        // A forecast marks days; it keeps no time busy.
        icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    }

    char* text = icalcomponent_as_ical_string_r(calendar.get());
    if (text == nullptr) {
        throw Error("Не удаётся составить календарь прогноза.");
    }
    std::string bytes(text);
    std::free(text);
    return bytes;
}

}  // namespace nevalorum
