#include "ephemeris/time_scale.h"

#include <cmath>

namespace nevalorum {

double Int(double x) {
    return std::trunc(x);
}
std::int64_t Trunc(double x) {
    return static_cast<std::int64_t>(x);
}
double Frac(double x) {
    return x - Int(x);
}

double NormalizeDegrees(double angle) {
    double r = Frac(angle / 360) * 360;
    if (r < 0) {
        r = r + 360;
    }
    return r;
}

EphemerisDay CalendarToEphemerisDay(std::int32_t day, std::int32_t month, std::int32_t year,
                                    std::int32_t hour, std::int32_t minute, std::int32_t second) {
    // Historical to astronomical year numbering: 1 BC becomes year 0.
    std::int64_t y = year < 0 ? year + 1 : year;
    std::int64_t m = month;
    if (month < 3) {
        m = month + 12;
        y = y - 1;
    }
    // The calendar test uses the date as given, not the shifted y and m.
    const bool julian =
        year < 1582 || (year == 1582 && month < 10) || (year == 1582 && month == 10 && day < 15);
    double b = 0;
    if (!julian) {
        const std::int64_t a = Trunc(static_cast<double>(y) / 100);
        b = static_cast<double>(2 - a + Trunc(static_cast<double>(a) / 4));
    }
    const double yd = static_cast<double>(y);
    double q = y >= 0 ? Int(365.25 * yd) : Int(365.25 * yd - 0.75);
    q = q - 694025;
    const double d = static_cast<double>(Trunc(30.6001 * static_cast<double>(m + 1)));
    const double f = day + hour / 24.0 + minute / 1440.0 + second / 86400.0;
    return b + q + d + f - 0.5;
}

EphemerisDay NoonOf(const CalendarDate& date) {
    return CalendarToEphemerisDay(date.Day, date.Month, date.Year, 12, 0, 0);
}

CalendarMoment EphemerisDayToCalendar(EphemerisDay moment) {
    const double j = moment + EphemerisDayEpoch;
    const double i = Int(j + 0.5);
    double k;
    if (i >= 2299161) {
        const double a = static_cast<double>(Trunc((i - 1867216.25) / 36524.25));
        k = i + a - Int(a / 4) + 1525;
    } else {
        k = i + 1524;
    }
    const double l = static_cast<double>(Trunc((k - 122.1) / 365.25));
    const double n = Int(l / 4) + 365 * l;
    const double e = static_cast<double>(Trunc((k - n) / 30.6001));

    CalendarMoment result;
    result.Day = static_cast<std::int32_t>((k - n) - static_cast<double>(Trunc(30.6001 * e)));
    result.Month = static_cast<std::int32_t>(e - 1 - 12 * static_cast<double>(Trunc(e / 14)));
    result.Year =
        static_cast<std::int32_t>(l - 4715 - static_cast<double>(Trunc((result.Month + 7) / 10.0)));
    const double h = (j + 0.5 - i) * 24;
    result.Hour = static_cast<std::int32_t>(Trunc(h));
    result.Minute = static_cast<std::int32_t>(Trunc(Frac(h) * 60));
    result.Second = static_cast<std::int32_t>(Trunc(Frac(Frac(h) * 60) * 60));
    return result;
}

bool CalendarDateExists(const CalendarDate& date) {
    if (date.Year < 1 || date.Month < 1 || date.Month > 12 || date.Day < 1 || date.Day > 31) {
        return false;
    }
    const CalendarMoment back = EphemerisDayToCalendar(NoonOf(date));
    return back.Day == date.Day && back.Month == date.Month && back.Year == date.Year;
}

}  // namespace nevalorum
