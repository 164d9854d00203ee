#pragma once
// The conversion of points in time to the date-time numbers the programs
// compare; the calendar arithmetic itself is in Calendar.h.
#include <ctime>

#include "platform/system/Calendar.h"

namespace sys {

// A point in time (seconds and nanoseconds since the epoch) as local time in
// days since 1899-12-30, the fraction being the time of day.
double FileTimeToDateTime(std::time_t seconds, long nanoseconds = 0);

}  // namespace sys
