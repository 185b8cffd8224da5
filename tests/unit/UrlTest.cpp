#include "http/Url.h"

#include <gtest/gtest.h>

#include <string>

namespace sendaro {
namespace {

TEST(UrlTest, SplitsIntoParts) {
  struct Case {
    const char* name;
    std::string url;
    const char* protocol;
    const char* host;
    const char* port;
    const char* path;
    const char* document;
    const char* bookmark;
  };
  const Case kCases[] = {
      {"host only", "http://host", "http", "host", "", "/", "", ""},
      {"host and slash", "http://host/", "http", "host", "", "/", "", ""},
      {"everything", "http://host:81/dir/file.cgi?a=b#frag", "http", "host", "81", "/dir/",
       "file.cgi?a=b", "frag"},
      {"double slash after host", "http://host//x", "http", "host", "", "/", "x", ""},
      {"no user information", "http://user:pw@host/x", "http", "user", "pw@host", "/", "x", ""},
      {"backslashes", R"(http:\\host\a\b.html)", "http", "host", "", "/a/", "b.html", ""},
      {"Shift_JIS trail byte 0x5C stays", "http://h/\x95\\/\x95\\.txt", "http", "h", "", "/\x95\\/",
       "\x95\\.txt", ""},
      {"Shift_JIS lead in upper range", "http://h/\xE0\\\\x", "http", "h", "", "/\xE0\\/", "x", ""},
      {"lowest lead byte", "http://h/\x81\\", "http", "h", "", "/", "\x81\\", ""},
      {"highest lead byte of the first range", "http://h/\x9F\\", "http", "h", "", "/", "\x9F\\",
       ""},
      {"highest lead byte", "http://h/\xFC\\", "http", "h", "", "/", "\xFC\\", ""},
      {"byte between the lead ranges", "http://h/\xA0\\x", "http", "h", "", "/\xA0/", "x", ""},
      {"byte below the lead range", "http://h/\x80\\x", "http", "h", "", "/\x80/", "x", ""},
      {"byte above the lead range", "http://h/\xFD\\x", "http", "h", "", "/\xFD/", "x", ""},
      {"lead byte as trail byte", "http://h/\x95\x95\\x", "http", "h", "", "/\x95\x95/", "x", ""},
      {"lead byte last", "http://h/a\x95", "http", "h", "", "/", "a\x95", ""},
      {"path without scheme", "/a/b", "", "", "", "/a/", "b", ""},
      {"document alone", "a.txt", "", "", "", "/", "a.txt", ""},
      {"relative path gets a slash", "dir/a.txt", "", "", "", "/dir/", "a.txt", ""},
      {"empty", "", "", "", "", "/", "", ""},
      {"case kept", "HTTP://Host/X", "HTTP", "Host", "", "/", "X", ""},
      {"nothing decoded", "http://h/a%20b/c%2Fd", "http", "h", "", "/a%20b/", "c%2Fd", ""},
      {"empty port", "http://host:/x", "http", "host", "", "/", "x", ""},
      {"second colon stays in port", "http://h:1:2/", "http", "h", "1:2", "/", "", ""},
      {"bookmark without document", "http://h/d/#top", "http", "h", "", "/d/", "", "top"},
      {"second hash stays in bookmark", "http://h/x#a#b", "http", "h", "", "/", "x", "a#b"},
      {"first scheme mark anywhere", "go/http://h/x", "go/http", "h", "", "/", "x", ""},
      {"scheme mark in the rest", "http://h/r?u=ftp://s/f", "http", "h", "", "/r?u=ftp://s/", "f",
       ""},
      {"empty host", "file:///etc/x", "file", "", "", "/etc/", "x", ""},
      {"host with port, no path", "https://h:8443", "https", "h", "8443", "/", "", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const UrlParts parts = SplitUrl(c.url);
    EXPECT_EQ(parts.Protocol, c.protocol);
    EXPECT_EQ(parts.Host, c.host);
    EXPECT_EQ(parts.Port, c.port);
    EXPECT_EQ(parts.Path, c.path);
    EXPECT_EQ(parts.Document, c.document);
    EXPECT_EQ(parts.Bookmark, c.bookmark);
  }
}

TEST(UrlTest, LeavesTheInputAlone) {
  const std::string url = R"(http:\\h\a)";
  (void)SplitUrl(url);
  EXPECT_EQ(url, R"(http:\\h\a)");
}

}  // namespace
}  // namespace sendaro
