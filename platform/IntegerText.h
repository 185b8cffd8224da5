#pragma once

#include <cstdint>
#include <string_view>

namespace sendaro {

// Integer text: optional leading spaces, then either an optional sign and decimal digits, or a
// hexadecimal number after "$", "x" or "0x" (x in either case). Nothing may follow, and the value
// must fit the result type (for hexadecimal too: no wrap-around into negative values).

// Strict forms: raise ConvertError ("'abc' is not a valid integer value").
int32_t ParseInt(std::string_view text);
int64_t ParseInt64(std::string_view text);

// Default forms: return `fallback` for anything that is not integer text.
int32_t ParseIntOr(std::string_view text, int32_t fallback);
int64_t ParseInt64Or(std::string_view text, int64_t fallback);

}  // namespace sendaro
