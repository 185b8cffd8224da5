#include "platform/FullPath.h"

#include <gtest/gtest.h>

#include <string>

namespace sendaro {
namespace {

std::string Repeat(const std::string& text, size_t count) {
  std::string result;
  for (size_t i = 0; i < count; ++i) {
    result += text;
  }
  return result;
}

TEST(FullPathTest, Resolves) {
  struct Case {
    const char* name;
    std::string path;
    const char* currentDirectory;
    std::string expected;
  };
  const Case kCases[] = {
      {"empty path", "", "/home/u", ""},
      {"relative", "a/b", "/home/u", "/home/u/a/b"},
      {"absolute ignores the current directory", "/etc/x", "/home/u", "/etc/x"},
      {"root", "/", "/home/u", "/"},
      {"current directory alone", ".", "/home/u", "/home/u"},
      {"empty current directory", "a", "", "/a"},
      {"current directory gets resolved too", "a", "//home/./u/../v/", "/home/v/a"},
      {"repeated slashes", "//a///b", "/home/u", "/a/b"},
      {"dot segments", "./a/./b/.", "/home/u", "/home/u/a/b"},
      {"parent segment", "a/../b", "/home/u", "/home/u/b"},
      {"parent of the current directory", "../x", "/home/u", "/home/x"},
      {"parent past the root", "/../../a", "/home/u", "/a"},
      {"relative parents past the root", "../../../..", "/a", "/"},
      {"parent at the end", "a/..", "/home/u", "/home/u"},
      {"names with dots kept", "/.../.a/a../..b", "/", "/.../.a/a../..b"},
      {"trailing slash kept", "dir/", "/home/u", "/home/u/dir/"},
      {"repeated trailing slashes", "/a/b//", "/", "/a/b/"},
      {"trailing slash after a parent", "a/../", "/home/u", "/home/u/"},
      {"trailing slash at the root", "../../", "/a", "/"},
      {"slashes only", "///", "/home/u", "/"},
      {"trailing slash of the current directory only", "a", "/home/u/", "/home/u/a"},
      {"backslash is an ordinary byte", "a\\..\\b", "/", "/a\\..\\b"},
      {"Shift_JIS bytes", "\x95\x5C/\x83\x5C", "/\x8E\x9A", "/\x8E\x9A/\x95\x5C/\x83\x5C"},
      {"many segments", Repeat("d/", 50000) + Repeat("../", 49999), "/", "/d/"},
      {"long segment", "/" + std::string(100000, 'x'), "/", "/" + std::string(100000, 'x')},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExpandFullPath(c.path, c.currentDirectory), c.expected);
  }
}

}  // namespace
}  // namespace sendaro
