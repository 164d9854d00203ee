#pragma once
// Calendar arithmetic (proleptic Gregorian) and the conversion of points in
// time to the date-time numbers the programs compare.
#include <ctime>

namespace sys {

// Days from 1970-01-01 to the civil date (negative before it).
long long DaysFromCivil(long long year, unsigned month, unsigned day);
// The civil date that lies `days` days after 1970-01-01.
void CivilFromDays(long long days, long long& year, unsigned& month, unsigned& day);

// A point in time (seconds and nanoseconds since the epoch) as local time in
// days since 1899-12-30, the fraction being the time of day.
double FileTimeToDateTime(std::time_t seconds, long nanoseconds = 0);

}  // namespace sys
