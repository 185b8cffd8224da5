#pragma once

namespace sendaro {

// Days since 30 December 1899; the fraction is the time of day. A reset record holds 0.
using DateTime = double;

// The machine's current offset of local time from UTC, in days (positive east of Greenwich).
double LocalUtcOffsetDays();

}  // namespace sendaro
