#pragma once
// Conversion of file times to the date-time numbers the programs compare.
#include <ctime>

namespace sys {

// A point in time (seconds and nanoseconds since the epoch) as local time in
// days since 1899-12-30, the fraction being the time of day.
double FileTimeToDateTime(std::time_t seconds, long nanoseconds = 0);

}  // namespace sys
