#include "platform/system/FileTime.h"

namespace sys {

double FileTimeToDateTime(std::time_t seconds, long nanoseconds) {
  std::tm tm{};
  if (!::localtime_r(&seconds, &tm)) return 0;
  const long long days = DaysFromCivil(tm.tm_year + 1900LL, static_cast<unsigned>(tm.tm_mon + 1),
                                       static_cast<unsigned>(tm.tm_mday)) -
                         DaysFromCivil(1899, 12, 30);
  const double secs = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + nanoseconds / 1e9;
  return static_cast<double>(days) + secs / 86400.0;
}

}  // namespace sys
