#pragma once
// The names of a month's files in the output folder, shared by the page, the
// chart and the run: "Hor_MM_YYYY" + extension, MM with two digits.

#include <cstdio>
#include <string>
#include <string_view>

#include "ephemeris/time_scale.h"

namespace nevalorum {

inline std::string MonthFileName(const CalendarMonth& month, std::string_view extension) {
    char name[32];
    std::snprintf(name, sizeof name, "Hor_%02d_%d", static_cast<int>(month.Month),
                  static_cast<int>(month.Year));
    return name + std::string(extension);
}

}  // namespace nevalorum
