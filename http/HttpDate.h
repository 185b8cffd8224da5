#pragma once

#include <optional>
#include <string_view>

#include "platform/DateTime.h"

namespace sendaro {

// An HTTP date in the RFC 1123 form ("Sun, 06 Nov 1994 08:49:37 GMT"), read leniently: the
// weekday is optional, a missing time means midnight, a two-digit year below 80 means 20xx and
// 80 to 99 means 19xx, a numeric zone such as +0900 is applied and a named zone counts as UTC.
// Returns the UTC date-time, or nothing when the text is not such a date.
std::optional<DateTime> ParseHttpDate(std::string_view text);

// The date as the header record stores it: UTC shifted by `localOffsetDays`; an unparsable
// date gives the zero date shifted the same way.
DateTime HttpDateToLocal(std::string_view text, double localOffsetDays);

}  // namespace sendaro
