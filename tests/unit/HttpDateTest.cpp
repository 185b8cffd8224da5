#include "http/HttpDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>

#include "platform/DateTime.h"

namespace sendaro {
namespace {

// 1994-11-06 in DateTime days; 1970-01-01 is 25569.
constexpr int64_t kNov6th1994 = 34644;

DateTime At(int64_t day, int hour, int minute, int second) {
  return static_cast<double>(day) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

TEST(HttpDateTest, ParsesLenientRfc1123Dates) {
  struct Case {
    const char* name;
    const char* text;
    DateTime utc;
  };
  const Case kCases[] = {
      {"RFC 1123", "Sun, 06 Nov 1994 08:49:37 GMT", At(kNov6th1994, 8, 49, 37)},
      {"no weekday", "06 Nov 1994 08:49:37 GMT", At(kNov6th1994, 8, 49, 37)},
      {"weekday without comma", "Sun 06 Nov 1994 08:49:37 GMT", At(kNov6th1994, 8, 49, 37)},
      {"RFC 850 with dashes", "Sunday, 06-Nov-94 08:49:37 GMT", At(kNov6th1994, 8, 49, 37)},
      {"dashes with four-digit year", "06-Nov-1994 08:49:37 GMT", At(kNov6th1994, 8, 49, 37)},
      {"any case", "sUN, 06 nOV 1994 08:49:37 gmt", At(kNov6th1994, 8, 49, 37)},
      {"single digits", "Sun, 6 Nov 1994 8:49:7 GMT", At(kNov6th1994, 8, 49, 7)},
      {"extra blanks around", "  Sun,  06  Nov  1994  08:49:37  GMT  ", At(kNov6th1994, 8, 49, 37)},
      {"no time means midnight", "Sun, 06 Nov 1994", At(kNov6th1994, 0, 0, 0)},
      {"no time, named zone", "06 Nov 1994 GMT", At(kNov6th1994, 0, 0, 0)},
      {"hours and minutes", "06 Nov 1994 08:49 GMT", At(kNov6th1994, 8, 49, 0)},
      {"no zone is UTC", "06 Nov 1994 08:49:37", At(kNov6th1994, 8, 49, 37)},
      {"UTC", "06 Nov 1994 08:49:37 UTC", At(kNov6th1994, 8, 49, 37)},
      {"other named zone is UTC", "06 Nov 1994 08:49:37 EST", At(kNov6th1994, 8, 49, 37)},
      {"zone east goes back a day", "06 Nov 1994 08:49:37 +0900", At(kNov6th1994 - 1, 23, 49, 37)},
      {"zone west with minutes", "06 Nov 1994 08:49:37 -0130", At(kNov6th1994, 10, 19, 37)},
      {"zone west goes forward a day", "06 Nov 1994 23:00 -0100", At(kNov6th1994 + 1, 0, 0, 0)},
      {"zero zone", "06 Nov 1994 08:49:37 +0000", At(kNov6th1994, 8, 49, 37)},
      {"zone without time", "06 Nov 1994 +0100", At(kNov6th1994 - 1, 23, 0, 0)},
      {"year 00 is 2000", "01 Jan 00", At(36526, 0, 0, 0)},
      {"year 79 is 2079", "31 Dec 79", At(65745, 0, 0, 0)},
      {"year 80 is 1980", "01 Jan 80", At(29221, 0, 0, 0)},
      {"Unix epoch", "Thu, 01 Jan 1970 00:00:00 GMT", At(25569, 0, 0, 0)},
      {"day zero", "30 Dec 1899", At(0, 0, 0, 0)},
      {"leap day 2000", "29 Feb 2000", At(36585, 0, 0, 0)},
      {"leap day 1996", "29 Feb 1996", At(36585 - 4 * 365 - 1, 0, 0, 0)},
      {"last second of a day", "31 Dec 1999 23:59:59 GMT", At(36525, 23, 59, 59)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::optional<DateTime> parsed = ParseHttpDate(c.text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_DOUBLE_EQ(*parsed, c.utc);
  }
}

TEST(HttpDateTest, RejectsTextThatIsNotADate) {
  struct Case {
    const char* name;
    const char* text;
  };
  const Case kCases[] = {
      {"empty", ""},
      {"blanks", "   "},
      {"zero as Expires sends it", "0"},
      {"minus one as Expires sends it", "-1"},
      {"day 0", "00 Nov 1994"},
      {"day 32", "32 Nov 1994"},
      {"day 31 of a 30-day month", "31 Nov 1994"},
      {"29 February of a non-leap century", "29 Feb 1900"},
      {"30 February", "30 Feb 2000"},
      {"three-digit day", "006 Nov 1994"},
      {"unknown month", "06 Foo 1994"},
      {"month name too long", "06 November 1994"},
      {"month as number", "06 11 1994"},
      {"no year", "Sun, 06 Nov"},
      {"three-digit year", "06 Nov 994"},
      {"five-digit year", "06 Nov 19945"},
      {"year zero", "06 Nov 0000"},
      {"no separators", "06Nov1994"},
      {"hour 24", "06 Nov 1994 24:00:00 GMT"},
      {"minute 60", "06 Nov 1994 08:60 GMT"},
      {"second 60", "06 Nov 1994 08:49:60 GMT"},
      {"hour without minutes", "06 Nov 1994 08 GMT"},
      {"dangling colon", "06 Nov 1994 08:49: GMT"},
      {"short numeric zone", "06 Nov 1994 08:49:37 +09"},
      {"zone hour 24", "06 Nov 1994 08:49:37 +2400"},
      {"zone minute 60", "06 Nov 1994 08:49:37 +0060"},
      {"text after the zone", "06 Nov 1994 08:49:37 GMT junk"},
      {"time glued to the year", "06 Nov 199408:49:37"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseHttpDate(c.text), std::nullopt);
  }
}

TEST(HttpDateTest, ToLocalShiftsTheParsedOrZeroDate) {
  struct Case {
    const char* name;
    const char* text;
    double offset;
    DateTime local;
  };
  const Case kCases[] = {
      {"east", "Sun, 06 Nov 1994 08:49:37 GMT", 0.375, At(kNov6th1994, 17, 49, 37)},
      {"west", "Sun, 06 Nov 1994 08:49:37 GMT", -0.5, At(kNov6th1994 - 1, 20, 49, 37)},
      {"numeric zone then local offset", "06 Nov 1994 08:49:37 +0900", 0.375,
       At(kNov6th1994, 8, 49, 37)},
      {"empty", "", 0.25, 0.25},
      {"unparsable", "never", -0.125, -0.125},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(HttpDateToLocal(c.text, c.offset), c.local);
  }
}

TEST(HttpDateTest, LocalOffsetIsWholeMinutesWithinFourteenHours) {
  const double minutes = LocalUtcOffsetDays() * 24 * 60;
  EXPECT_LE(std::fabs(minutes), 14 * 60.0);
  EXPECT_NEAR(minutes, std::round(minutes), 1e-6);
}

}  // namespace
}  // namespace sendaro
