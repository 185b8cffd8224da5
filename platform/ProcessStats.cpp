#include "platform/ProcessStats.h"

#include <sys/resource.h>

namespace sendaro {

size_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) * 1024;  // Linux reports kilobytes
}

}  // namespace sendaro
