#include "platform/IntegerText.h"

#include <limits>
#include <optional>
#include <string>

#include "platform/Error.h"

namespace sendaro {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// Accumulates the digits of `digits` in `base` into a magnitude no larger than `limit`. Nothing
// when there are no digits, a byte is not a digit, or the magnitude grows past the limit.
std::optional<uint64_t> ParseMagnitude(std::string_view digits, int base, uint64_t limit) {
  if (digits.empty()) {
    return std::nullopt;
  }
  uint64_t magnitude = 0;
  for (const char c : digits) {
    const int digit = base == 16 ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) {
      return std::nullopt;
    }
    const auto ubase = static_cast<uint64_t>(base);
    const auto udigit = static_cast<uint64_t>(digit);
    if (magnitude > (limit - udigit) / ubase) {
      return std::nullopt;
    }
    magnitude = magnitude * ubase + udigit;
  }
  return magnitude;
}

// The value of integer text in the range of a two's-complement type whose largest value is `max`
// (so the smallest is -max - 1); nothing for anything else.
std::optional<int64_t> ParseIntegerText(std::string_view text, int64_t max) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view rest = text.substr(start);
  const auto positiveLimit = static_cast<uint64_t>(max);

  size_t hexPrefix = 0;
  if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
    hexPrefix = 1;
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hexPrefix = 2;
  }
  if (hexPrefix != 0) {
    const auto magnitude = ParseMagnitude(rest.substr(hexPrefix), 16, positiveLimit);
    if (!magnitude) {
      return std::nullopt;
    }
    return static_cast<int64_t>(*magnitude);
  }

  bool negative = false;
  if (rest[0] == '+' || rest[0] == '-') {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  const auto magnitude = ParseMagnitude(rest, 10, negative ? positiveLimit + 1 : positiveLimit);
  if (!magnitude) {
    return std::nullopt;
  }
  if (!negative) {
    return static_cast<int64_t>(*magnitude);
  }
  // -(max + 1) is not representable as a positive int64_t, so negate via the neighbour.
  if (*magnitude == positiveLimit + 1) {
    return -max - 1;
  }
  return -static_cast<int64_t>(*magnitude);
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
  throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

int32_t ParseInt(std::string_view text) {
  const auto value = ParseIntegerText(text, std::numeric_limits<int32_t>::max());
  if (!value) {
    ThrowNotInteger(text);
  }
  return static_cast<int32_t>(*value);
}

int64_t ParseInt64(std::string_view text) {
  const auto value = ParseIntegerText(text, std::numeric_limits<int64_t>::max());
  if (!value) {
    ThrowNotInteger(text);
  }
  return *value;
}

int32_t ParseIntOr(std::string_view text, int32_t fallback) {
  const auto value = ParseIntegerText(text, std::numeric_limits<int32_t>::max());
  return value ? static_cast<int32_t>(*value) : fallback;
}

int64_t ParseInt64Or(std::string_view text, int64_t fallback) {
  return ParseIntegerText(text, std::numeric_limits<int64_t>::max()).value_or(fallback);
}

}  // namespace sendaro
