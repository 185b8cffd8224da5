// localtime_r and tm_gmtoff are POSIX/BSD additions that <ctime> declares on this platform.
#include <ctime>

#include "platform/DateTime.h"

namespace sendaro {

double LocalUtcOffsetDays() {
  constexpr double kSecondsPerDay = 86400.0;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) {
    return 0.0;
  }
  return static_cast<double>(local.tm_gmtoff) / kSecondsPerDay;
}

}  // namespace sendaro
