#include "platform/IntegerText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/Error.h"

namespace sendaro {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

struct Case {
  const char* name;
  const char* text;
  bool valid32;
  bool valid64;
  int64_t value;  // when valid for the widths marked so
};

const Case kCases[] = {
    {"decimal", "80", true, true, 80},
    {"zero", "0", true, true, 0},
    {"leading zeros", "007", true, true, 7},
    {"dollar hex", "$50", true, true, 80},
    {"0x hex", "0x50", true, true, 80},
    {"0X hex", "0X50", true, true, 80},
    {"x hex", "x50", true, true, 80},
    {"X hex", "X50", true, true, 80},
    {"hex digits any case", "$aBcD", true, true, 0xABCD},
    {"leading spaces", "  12", true, true, 12},
    {"leading spaces before hex", " $10", true, true, 16},
    {"minus", "-5", true, true, -5},
    {"plus", "+5", true, true, 5},
    {"minus zero", "-0", true, true, 0},
    {"int32 max", "2147483647", true, true, kInt32Max},
    {"int32 min", "-2147483648", true, true, kInt32Min},
    {"hex int32 max", "$7FFFFFFF", true, true, kInt32Max},
    {"int32 max plus one", "2147483648", false, true, kInt32Max + 1},
    {"int32 min minus one", "-2147483649", false, true, kInt32Min - 1},
    {"hex int32 sign bit", "$80000000", false, true, kInt32Max + 1},
    {"hex all ones 32", "$FFFFFFFF", false, true, 0xFFFFFFFF},
    {"int64 max", "9223372036854775807", false, true, kInt64Max},
    {"int64 min", "-9223372036854775808", false, true, kInt64Min},
    {"hex int64 max", "0x7FFFFFFFFFFFFFFF", false, true, kInt64Max},
    {"int64 max plus one", "9223372036854775808", false, false, 0},
    {"int64 min minus one", "-9223372036854775809", false, false, 0},
    {"hex int64 sign bit", "$8000000000000000", false, false, 0},
    {"hex past 64 bits", "$10000000000000000", false, false, 0},
    {"huge decimal", "99999999999999999999999", false, false, 0},
    {"empty", "", false, false, 0},
    {"only blank", " ", false, false, 0},
    {"trailing blank", "12 ", false, false, 0},
    {"tab before", "\t5", false, false, 0},
    {"letters", "abc", false, false, 0},
    {"exponent", "1e3", false, false, 0},
    {"decimal point", "1.5", false, false, 0},
    {"sign alone", "-", false, false, 0},
    {"double sign", "--5", false, false, 0},
    {"blank after sign", "- 5", false, false, 0},
    {"dollar alone", "$", false, false, 0},
    {"0x alone", "0x", false, false, 0},
    {"sign before hex", "-$10", false, false, 0},
    {"sign before 0x", "+0x10", false, false, 0},
    {"non-hex digit", "$1G", false, false, 0},
    {"double prefix", "$0x1", false, false, 0},
};

TEST(IntegerTextTest, ParsesOrRejectsEachForm) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string text = c.text;
    if (c.valid32) {
      EXPECT_EQ(ParseInt(text), c.value);
      EXPECT_EQ(ParseIntOr(text, -77), c.value);
    } else {
      EXPECT_THROW((void)ParseInt(text), ConvertError);
      EXPECT_EQ(ParseIntOr(text, -77), -77);
    }
    if (c.valid64) {
      EXPECT_EQ(ParseInt64(text), c.value);
      EXPECT_EQ(ParseInt64Or(text, -77), c.value);
    } else {
      EXPECT_THROW((void)ParseInt64(text), ConvertError);
      EXPECT_EQ(ParseInt64Or(text, -77), -77);
    }
  }
}

TEST(IntegerTextTest, EmbeddedNulIsNotIgnored) {
  const std::string text("1\0", 2);
  EXPECT_EQ(ParseIntOr(text, -1), -1);
  EXPECT_EQ(ParseInt64Or(text, -1), -1);
}

TEST(IntegerTextTest, ErrorMessageQuotesTheTextAsGiven) {
  struct MessageCase {
    const char* name;
    const char* text;
    const char* message;
  };
  const MessageCase kMessages[] = {
      {"letters", "abc", "'abc' is not a valid integer value"},
      {"empty", "", "'' is not a valid integer value"},
      {"blanks kept", " 12 ", "' 12 ' is not a valid integer value"},
      {"out of range", "2147483648", "'2147483648' is not a valid integer value"},
  };
  for (const MessageCase& c : kMessages) {
    SCOPED_TRACE(c.name);
    try {
      (void)ParseInt(c.text);
      ADD_FAILURE() << "no ConvertError";
    } catch (const ConvertError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
      EXPECT_EQ(std::string(e.TypeName()), "ConvertError");
    }
  }
  try {
    (void)ParseInt64("9223372036854775808");
    ADD_FAILURE() << "no ConvertError";
  } catch (const ConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'9223372036854775808' is not a valid integer value");
  }
}

}  // namespace
}  // namespace sendaro
