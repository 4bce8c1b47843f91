#pragma once
// The forecast as periods, one HTML document (UTF-8) for printing on A4: a
// title page with the topic, the person, the birth date, the six months and
// their contents; then per month, each on a new page, its chart, its best and
// worst days and the periods that begin in it, each paragraph once with its
// dates and its strength mark. The month sections are the anchors
// "month-1" to "month-6", which the contents link to.

#include <string>

#include "report/period_words.h"
#include "transit/periods.h"

namespace nevalorum {

// The anchor of the k-th month's section (k from 1).
std::string MonthAnchor(int k);

// The document; the charts and strength marks are named as they lie in the
// output folder, which baseHref (a URL ending in "/") locates.
std::string RenderPeriodsDocument(const ForecastSubject& subject, const ForecastPeriods& periods,
                                  const std::string& baseHref);

}  // namespace nevalorum
