#include "report/forecast_calendar.h"

#include <libical/ical.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/errors.h"
#include "common/loaded_library.h"
#include "common/messages.h"
#include "report/name_tables.h"

namespace nevalorum {
namespace {

constexpr SharedMessage NoCalendar{.Id = MessageId("The forecast's calendar cannot be made: %s"),
                                   .Russian = "Не удаётся составить календарь прогноза: %s"};

// The functions of libical that a calendar takes.
#define NEVALORUM_ICAL_FUNCTIONS(X)   \
    X(icalcomponent_new)              \
    X(icalcomponent_free)             \
    X(icalcomponent_add_property)     \
    X(icalcomponent_add_component)    \
    X(icalcomponent_as_ical_string_r) \
    X(icaltimezone_get_utc_timezone)  \
    X(icaltime_null_date)             \
    X(icaltime_from_timet_with_zone)  \
    X(icaltime_adjust)                \
    X(icalproperty_new_x)             \
    X(icalproperty_set_x_name)        \
    X(icalproperty_new_prodid)        \
    X(icalproperty_new_version)       \
    X(icalproperty_new_calscale)      \
    X(icalproperty_new_method)        \
    X(icalproperty_new_uid)           \
    X(icalproperty_new_dtstamp)       \
    X(icalproperty_new_dtstart)       \
    X(icalproperty_new_dtend)         \
    X(icalproperty_new_summary)       \
    X(icalproperty_new_description)   \
    X(icalproperty_new_categories)    \
    X(icalproperty_new_transp)

// libical, loaded when the first calendar is made, with the time zone tables
// it keeps for the process.
NEVALORUM_FUNCTION_TABLE(Ical, NEVALORUM_ICAL_FUNCTIONS, NEVALORUM_ICAL_LIBRARY, NoCalendar);

class Component {
  public:
    Component(const Ical& ical, icalcomponent* component) : ical_(ical), component_(component) {}
    ~Component() {
        if (component_ != nullptr) {
            ical_.icalcomponent_free(component_);
        }
    }
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    icalcomponent* get() const { return component_; }
    explicit operator bool() const { return component_ != nullptr; }

  private:
    const Ical& ical_;
    icalcomponent* component_;
};

// FNV-1a, 64 bits: the same digits for the same text on every machine and in
// every version of the program.
std::uint64_t StableHash(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 0x100000001b3ULL;
    }
    return hash;
}

icaltimetype DateOf(const Ical& ical, const CalendarDate& date) {
    icaltimetype time = ical.icaltime_null_date();
    time.year = date.Year;
    time.month = date.Month;
    time.day = date.Day;
    return time;
}

icalproperty* XProperty(const Ical& ical, const char* name, const std::string& value) {
    icalproperty* property = ical.icalproperty_new_x(value.c_str());
    ical.icalproperty_set_x_name(property, name);
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
    const Ical& ical = Opened<Ical>();
    const Component calendar(ical, ical.icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    if (!calendar) {
        throw Error(Format(Wording(NoCalendar), "libical"));
    }
    ical.icalcomponent_add_property(
        calendar.get(), ical.icalproperty_new_prodid("-//Nevalorum Pelinor//Forecast//RU"));
    ical.icalcomponent_add_property(calendar.get(), ical.icalproperty_new_version("2.0"));
    ical.icalcomponent_add_property(calendar.get(), ical.icalproperty_new_calscale("GREGORIAN"));
    ical.icalcomponent_add_property(calendar.get(),
                                    ical.icalproperty_new_method(ICAL_METHOD_PUBLISH));
    ical.icalcomponent_add_property(
        calendar.get(),
        XProperty(ical, "X-WR-CALNAME",
                  subject.PersonName.empty() ? topic : topic + " — " + subject.PersonName));

    const icaltimetype now =
        ical.icaltime_from_timet_with_zone(stamp, 0, ical.icaltimezone_get_utc_timezone());
    for (const InfluencePeriod& period : periods.Periods) {
        icalcomponent* event = ical.icalcomponent_new(ICAL_VEVENT_COMPONENT);
        ical.icalcomponent_add_component(calendar.get(), event);
        ical.icalcomponent_add_property(
            event, ical.icalproperty_new_uid(PeriodUid(subject, period).c_str()));
        ical.icalcomponent_add_property(event, ical.icalproperty_new_dtstamp(now));
        ical.icalcomponent_add_property(event,
                                        ical.icalproperty_new_dtstart(DateOf(ical, period.First)));
        // An all-day event ends before the day its end names.
        icaltimetype end = DateOf(ical, period.Last);
        ical.icaltime_adjust(&end, 1, 0, 0, 0);
        ical.icalcomponent_add_property(event, ical.icalproperty_new_dtend(end));
        ical.icalcomponent_add_property(
            event, ical.icalproperty_new_summary(PeriodSummary(period).c_str()));
        ical.icalcomponent_add_property(
            event,
            ical.icalproperty_new_description(PlainText(ParagraphHtml(period.Reading)).c_str()));
        if (period.Reading.Strength != 0) {
            ical.icalcomponent_add_property(
                event, ical.icalproperty_new_categories(
                           period.Reading.Strength > 0 ? "Благоприятно" : "Неблагоприятно"));
        }
        // A forecast marks days; it keeps no time busy.
        ical.icalcomponent_add_property(event,
                                        ical.icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    }

    char* text = ical.icalcomponent_as_ical_string_r(calendar.get());
    if (text == nullptr) {
        throw Error(Format(Wording(NoCalendar), "libical"));
    }
    std::string bytes(text);
    std::free(text);
    return bytes;
}

}  // namespace nevalorum
