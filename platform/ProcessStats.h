#pragma once

#include <cstddef>

namespace sendaro {

// The most resident memory this process has used so far, in bytes.
size_t PeakResidentBytes();

}  // namespace sendaro
