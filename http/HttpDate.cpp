#include "http/HttpDate.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/AsciiText.h"

namespace sendaro {
namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {"jan", "feb", "mar", "apr", "may", "jun",
                                                          "jul", "aug", "sep", "oct", "nov", "dec"};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int64_t year, int month) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays.at(static_cast<size_t>(month - 1));
}

// Days from 1 January 1970 to the given date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// Reads the date from left to right; every Read... returns false when the text does not fit.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : text_(text) {}

  [[nodiscard]] bool AtEnd() const { return pos_ == text_.size(); }
  [[nodiscard]] bool Peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  [[nodiscard]] bool PeekDigit() const { return pos_ < text_.size() && IsDigit(text_[pos_]); }
  [[nodiscard]] bool PeekAlpha() const { return pos_ < text_.size() && IsAlpha(text_[pos_]); }

  // Returns whether at least one blank was skipped.
  bool SkipBlanks() {
    const size_t before = pos_;
    while (pos_ < text_.size() && IsBlank(text_[pos_])) {
      ++pos_;
    }
    return pos_ != before;
  }

  bool Skip(char c) {
    if (!Peek(c)) {
      return false;
    }
    ++pos_;
    return true;
  }

  std::string_view ReadWord() {
    const size_t start = pos_;
    while (PeekAlpha()) {
      ++pos_;
    }
    return text_.substr(start, pos_ - start);
  }

  // Between day, month and year: blanks, or a "-" as in the RFC 850 form "06-Nov-94".
  bool ReadDateSeparator() {
    const bool blanks = SkipBlanks();
    if (Skip('-')) {
      SkipBlanks();
      return true;
    }
    return blanks;
  }

  // A number of `minDigits` to `maxDigits` decimal digits; `count` receives how many there were.
  bool ReadNumber(size_t minDigits, size_t maxDigits, int& value, size_t& count) {
    value = 0;
    count = 0;
    while (PeekDigit() && count < maxDigits) {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++count;
    }
    return count >= minDigits && !PeekDigit();
  }

  bool ReadNumber(size_t minDigits, size_t maxDigits, int& value) {
    size_t count = 0;
    return ReadNumber(minDigits, maxDigits, value, count);
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// 1 to 12 for a three-letter English month name in any case, 0 for anything else.
int MonthFromName(std::string_view word) {
  if (word.size() != 3) {
    return 0;
  }
  for (size_t i = 0; i < kMonthNames.size(); ++i) {
    const std::string_view name = kMonthNames.at(i);
    if (LowerAscii(word[0]) == name[0] && LowerAscii(word[1]) == name[1] &&
        LowerAscii(word[2]) == name[2]) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

}  // namespace

std::optional<DateTime> ParseHttpDate(std::string_view text) {
  constexpr int64_t kSecondsPerDay = 86400;
  // 30 December 1899, day zero of DateTime, lies this many days before 1 January 1970.
  constexpr int64_t kUnixEpochDay = 25569;

  DateScanner scan(text);
  scan.SkipBlanks();

  // The weekday adds nothing to the date, so any word is taken and not checked against it.
  if (scan.PeekAlpha()) {
    scan.ReadWord();
    scan.SkipBlanks();
    scan.Skip(',');
    scan.SkipBlanks();
  }

  int day = 0;
  if (!scan.ReadNumber(1, 2, day) || !scan.ReadDateSeparator()) {
    return std::nullopt;
  }
  const std::string_view monthWord = scan.ReadWord();
  const int month = MonthFromName(monthWord);
  if (month == 0 || !scan.ReadDateSeparator()) {
    return std::nullopt;
  }
  int year = 0;
  size_t yearDigits = 0;
  if (!scan.ReadNumber(2, 4, year, yearDigits) || yearDigits == 3) {
    return std::nullopt;
  }
  // RFC 7231 section 7.1.1.1 asks to read two-digit years relative to the present; the fixed
  // window 1980 to 2079 does that for any date an HTTP server sends.
  if (yearDigits == 2) {
    year += year < 80 ? 2000 : 1900;
  }
  if (year == 0 || day < 1 || day > DaysInMonth(year, month)) {
    return std::nullopt;
  }

  int hour = 0;
  int minute = 0;
  int second = 0;
  bool blankBefore = scan.SkipBlanks();
  if (blankBefore && scan.PeekDigit()) {
    if (!scan.ReadNumber(1, 2, hour) || !scan.Skip(':') || !scan.ReadNumber(1, 2, minute)) {
      return std::nullopt;
    }
    if (scan.Skip(':') && !scan.ReadNumber(1, 2, second)) {
      return std::nullopt;
    }
    if (hour > 23 || minute > 59 || second > 59) {
      return std::nullopt;
    }
    blankBefore = scan.SkipBlanks();
  }

  // Minutes to subtract to get from the stated zone to UTC.
  int zoneMinutes = 0;
  if (blankBefore && (scan.Peek('+') || scan.Peek('-'))) {
    const bool west = scan.Peek('-');
    scan.Skip(west ? '-' : '+');
    int zone = 0;
    if (!scan.ReadNumber(4, 4, zone) || zone / 100 > 23 || zone % 100 > 59) {
      return std::nullopt;
    }
    zoneMinutes = (zone / 100) * 60 + zone % 100;
    if (west) {
      zoneMinutes = -zoneMinutes;
    }
    scan.SkipBlanks();
  } else if (blankBefore && scan.PeekAlpha()) {
    scan.ReadWord();  // GMT, UTC or any other name: taken as UTC
    scan.SkipBlanks();
  }
  if (!scan.AtEnd()) {
    return std::nullopt;
  }

  // Whole seconds first, so the result is rounded once.
  const int64_t seconds = (DaysFromCivil(year, month, day) + kUnixEpochDay) * kSecondsPerDay +
                          int64_t{hour} * 3600 + int64_t{minute - zoneMinutes} * 60 + second;
  return static_cast<double>(seconds) / static_cast<double>(kSecondsPerDay);
}

DateTime HttpDateToLocal(std::string_view text, double localOffsetDays) {
  return ParseHttpDate(text).value_or(0.0) + localOffsetDays;
}

}  // namespace sendaro
