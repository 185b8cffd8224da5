#include "http/HeaderList.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/HeaderLines.h"

namespace sendaro {
namespace {

using testing::LinesOf;
using testing::MakeList;

TEST(HeaderListTest, ValueLooksUpTheFirstMatchingLine) {
  const HeaderList list = MakeList({
      "Content-Type: text/html",
      "X-Empty:",
      "X-Blank:   ",
      "X-Spaced :a",
      "X-Colons: a:b: c",
      "Set-Cookie: first",
      "Set-Cookie: second",
      "X-Leading:\t \x01value ",
      "NoColonLine",
      "X-Dup-Case: one",
      "x-dup-case: two",
      ": nameless",
  });
  struct Case {
    const char* name;
    const char* lookup;
    bool present;
    const char* value;
  };
  const Case kCases[] = {
      {"exact name", "Content-Type", true, "text/html"},
      {"other case", "cONTENT-tYPE", true, "text/html"},
      {"empty value", "X-Empty", true, ""},
      {"blank value", "X-Blank", true, ""},
      {"blank before colon is part of the name", "X-Spaced ", true, "a"},
      {"name without that blank", "X-Spaced", false, ""},
      {"value keeps later colons", "X-Colons", true, "a:b: c"},
      {"first of repeated names", "Set-Cookie", true, "first"},
      {"first of repeated names in other case", "X-DUP-CASE", true, "one"},
      {"leading blanks and controls stripped, trailing kept", "X-Leading", true, "value "},
      {"line without colon matches nothing", "NoColonLine", false, ""},
      {"empty name matches a line starting with a colon", "", true, "nameless"},
      {"absent", "Location", false, ""},
      {"prefix of a name", "Content", false, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(list.Value(c.lookup), c.value);
    EXPECT_EQ(list.Has(c.lookup), c.present);
  }
}

TEST(HeaderListTest, ValueJoinsContinuationLines) {
  struct Case {
    const char* name;
    std::vector<const char*> lines;
    const char* value;
  };
  const Case kCases[] = {
      {"one blank between parts", {"X: http://a", "   /b"}, "http://a /b"},
      {"tab continuation", {"X: a", "\tb"}, "a b"},
      {"several continuations", {"X: a", " b", "\t c"}, "a b c"},
      {"own value empty: the continuation text alone", {"X:", "  next"}, "next"},
      {"own value blank: the continuation after it", {"X: ", " next"}, "next"},
      {"value ending in a blank gets no second blank", {"X: a ", " b"}, "a b"},
      {"value ending in a tab gets no blank", {"X: a\t", " b"}, "a\tb"},
      {"blank-only continuation leaves one blank", {"X: a", "   "}, "a "},
      {"continuation of another line not taken", {"Y: y", " more", "X: x"}, "x"},
      {"stops at the next header", {"X: a", " b", "Y: c", " d"}, "a b"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    HeaderList list;
    for (const char* line : c.lines) {
      list.Add(line);
    }
    EXPECT_EQ(list.Value("X"), c.value);
  }
}

TEST(HeaderListTest, ContinuationLineItselfDoesNotMatch) {
  const HeaderList list = MakeList({"X-Other: a", " Location: hidden", "\tServer: hidden"});
  EXPECT_EQ(list.Has("Location"), false);
  EXPECT_EQ(list.Has(" Location"), false);
  EXPECT_EQ(list.Has("\tServer"), false);
  EXPECT_EQ(list.Value("X-Other"), "a Location: hidden Server: hidden");
}

TEST(HeaderListTest, RemoveDeletesTheFirstLineWithItsContinuations) {
  struct Case {
    const char* name;
    const char* remove;
    std::vector<std::string> left;
  };
  const Case kCases[] = {
      {"with continuations", "Location", {"Server: s", "Location: second", "X: x", " x2"}},
      {"other case", "LOCATION", {"Server: s", "Location: second", "X: x", " x2"}},
      {"line without continuation",
       "Server",
       {"Location: first", " cont1", "\tcont2", "Location: second", "X: x", " x2"}},
      {"last line with continuation",
       "X",
       {"Location: first", " cont1", "\tcont2", "Server: s", "Location: second"}},
      {"absent name changes nothing",
       "Expires",
       {"Location: first", " cont1", "\tcont2", "Server: s", "Location: second", "X: x", " x2"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    HeaderList list = MakeList(
        {"Location: first", " cont1", "\tcont2", "Server: s", "Location: second", "X: x", " x2"});
    list.Remove(c.remove);
    EXPECT_EQ(LinesOf(list), c.left);
  }
}

TEST(HeaderListTest, RepeatedRemoveWorksThroughDuplicates) {
  HeaderList list = MakeList({"A: 1", "B: 2", "a: 3"});
  list.Remove("A");
  EXPECT_EQ(list.Value("A"), "3");
  list.Remove("A");
  EXPECT_EQ(list.Has("A"), false);
  EXPECT_EQ(LinesOf(list), std::vector<std::string>{"B: 2"});
}

TEST(HeaderListTest, AddAllAppendsInOrderAndClearEmpties) {
  HeaderList list = MakeList({"A: 1"});
  const HeaderList other = MakeList({"B: 2", " more", "C: 3"});
  list.AddAll(other);
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"A: 1", "B: 2", " more", "C: 3"}));
  EXPECT_EQ(other.Count(), 3U);
  list.AddAll(list);
  EXPECT_EQ(list.Count(), 8U);
  EXPECT_EQ(list.Line(4), "A: 1");
  list.Clear();
  EXPECT_EQ(list.Count(), 0U);
  EXPECT_THROW((void)list.Line(0), std::out_of_range);
}

}  // namespace
}  // namespace sendaro
