#include "platform/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace sendaro {
namespace {

using namespace std::string_literals;

constexpr const char* kFallback = "(fallback)";

TEST(SettingsFileTest, SplitsLines) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;  // of s/k
  };
  const Case kCases[] = {
      {"LF", "[s]\nk=v\n", "v"},
      {"CRLF", "[s]\r\nk=v\r\n", "v"},
      {"no final newline", "[s]\nk=v", "v"},
      {"no final newline after CR", "[s]\r\nk=v\r", "v"},
      {"lone CR ends no line", "[s]\rk=v\n", kFallback},
      {"CR inside a value kept", "[s]\nk=a\rb\r\n", "a\rb"},
      {"only one CR belongs to the line end", "[s]\nk=v\r\r\n", "v\r"},
      {"empty and blank lines", "\n\r\n[s]\n \t\n\r\n\nk=v\n\n", "v"},
      {"blanks and tabs dropped", " \t[ \ts\t ] \t\r\n \tk \t= \tv \t\r\n", "v"},
      {"other control bytes kept", "[s]\nk=\vv\f\n", "\vv\f"},
      {"byte-order mark", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "v"},
      {"byte-order mark after a blank", " \xEF\xBB\xBF[s]\nk=v", kFallback},
      {"byte-order mark later belongs to the key", "[s]\n\xEF\xBB\xBFk=v", kFallback},
      {"half a byte-order mark", "\xEF\xBB[s]\nk=v", kFallback},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SettingsFile(c.text).ReadString("s", "k", kFallback), c.expected);
  }
}

TEST(SettingsFileTest, FindsSectionsAndKeys) {
  struct Case {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
  };
  const Case kCases[] = {
      {"names ignore ASCII case", "[SeCtIoN]\nKeY=v", "sEcTiOn", "kEy", "v"},
      {"high bytes compare exactly", "[\xC4]\n\xC4=v", "\xE4", "\xC4", kFallback},
      {"high bytes in names", "[\xC4]\n\xC4=v", "\xC4", "\xC4", "v"},
      {"text after the bracket ignored", "[s] x ; y]\nk=v", "s", "k", "v"},
      {"name without bracket runs to the line end", "[ s \t\nk=v", "s", "k", "v"},
      {"name ends at the first bracket", "[a]b]\nk=v", "a", "k", "v"},
      {"bracket never inside a name", "[a]b]\nk=v", "a]b", "k", kFallback},
      {"empty section name", "[]\nk=v", "", "k", "v"},
      {"section name is no prefix", "[sec]\nk=v", "se", "k", kFallback},
      {"key name is no prefix", "[s]\nkey=v", "s", "ke", kFallback},
      {"blank inside a key kept", "[s]\nmy key=v", "s", "my key", "v"},
      {"other sections skipped", "[t]\nk=1\n[s]\nk=2\n[u]\nk=3", "s", "k", "2"},
      {"first matching key wins", "[s]\nk=1\nK=2\n", "s", "k", "1"},
      {"section ends at the next section line", "[s]\n[t]\nk=v", "s", "k", kFallback},
      {"later section of the same name not searched", "[s]\na=1\n[t]\n[S]\nk=v", "s", "k",
       kFallback},
      {"key before any section", "k=v\n[s]\n", "s", "k", kFallback},
      {"key before any section is not in the empty section", "k=v\n[]\n", "", "k", kFallback},
      {"comment", "[s]\n;k=1\nk=2", "s", "k", "2"},
      {"indented comment", "[s]\n \t;k=1", "s", "k", kFallback},
      {"commented section line", ";[s]\nk=v", "s", "k", kFallback},
      {"semicolon later in a key", "[s]\nk;x=1", "s", "k;x", "1"},
      {"line without equals sign", "[s]\nk\nk=v", "s", "k", "v"},
      {"only a line without equals sign", "[s]\nk v", "s", "k v", kFallback},
      {"empty key name", "[s]\n = v", "s", "", "v"},
      {"key runs to the first equals sign", "[s]\n k = a=b = c ", "s", "k", "a=b = c"},
      {"section-like value", "[s]\nk=[t]", "s", "k", "[t]"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SettingsFile(c.text).ReadString(c.section, c.key, kFallback), c.expected);
  }
}

TEST(SettingsFileTest, ReadsValues) {
  struct Case {
    const char* name;
    std::string value;  // as written after "k="
    std::string expected;
  };
  const Case kCases[] = {
      {"plain", "v", "v"},
      {"empty value is no absent key", "", ""},
      {"blank value", " \t ", ""},
      {"double quotes keep blanks", "\" a \"", " a "},
      {"single quotes keep blanks", "' a '", " a "},
      {"blanks outside quotes dropped", " \t\"a\" ", "a"},
      {"empty quotes", "\"\"", ""},
      {"only the outer pair", R"(""a"")", R"("a")"},
      {"mismatched quotes", "\"a'", "\"a'"},
      {"lone quote", "\"", "\""},
      {"lone single quote", "'", "'"},
      {"opening quote only", "\"a", "\"a"},
      {"closing quote only", "a'", "a'"},
      {"quotes inside", "a \"b\" c", "a \"b\" c"},
      {"semicolon kept", "a ; b", "a ; b"},
      {"Shift_JIS with backslash trail bytes", "\x95\x5C\x83\x5C\x8E\x9A",
       "\x95\x5C\x83\x5C\x8E\x9A"},
      {"quoted Shift_JIS", "'\x93\xFA\x96\x7B'", "\x93\xFA\x96\x7B"},
      {"NUL bytes", "a\0b\0"s, "a\0b\0"s},
      {"high bytes", "\x80\xFF", "\x80\xFF"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SettingsFile("[s]\nk=" + c.value + "\nk=later\n").ReadString("s", "k", kFallback),
              c.expected);
  }
}

// Distinct bytes, so a cut at the wrong place shows.
std::string Pattern(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    text[i] = static_cast<char>('a' + i % 26);
  }
  return text;
}

TEST(SettingsFileTest, CutsLongValues) {
  const std::string long5000 = Pattern(5000);
  struct Case {
    const char* name;
    std::string value;  // as written after "k="
    std::string expected;
  };
  const Case kCases[] = {
      {"one below the limit", Pattern(2046), Pattern(2046)},
      {"at the limit", Pattern(2047), Pattern(2047)},
      {"one past the limit", Pattern(2048), Pattern(2047)},
      {"far past the limit", long5000, Pattern(2047)},
      {"quotes go before the cut", "\"" + Pattern(2047) + "\"", Pattern(2047)},
      {"quoted value past the limit", "'" + Pattern(2048) + "'", Pattern(2047)},
      {"cut after dropping blanks", "  " + Pattern(2047) + "  ", Pattern(2047)},
  };
  static_assert(kMaxSettingValueBytes == 2047);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SettingsFile("[s]\r\nk=" + c.value + "\r\n").ReadString("s", "k", kFallback),
              c.expected);
  }
}

TEST(SettingsFileTest, GivesTheFallbackAsIs) {
  const std::string fallback = " fall back\t";
  EXPECT_EQ(SettingsFile().ReadString("s", "k", fallback), fallback);
  EXPECT_EQ(SettingsFile("").ReadString("s", "k", fallback), fallback);
  EXPECT_EQ(SettingsFile("[s]\n").ReadString("s", "k", fallback), fallback);
}

}  // namespace
}  // namespace sendaro
