#include "http/ReplyReader.h"

#include <gtest/gtest.h>

#include <string>

#include "http/HttpErrors.h"
#include "platform/BufferedReader.h"
#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "tests/support/MemorySource.h"

namespace sendaro::testing {
namespace {

TEST(ReplyReader, ParsesStatusLines) {
  struct Case {
    const char* line;
    int code;
    const char* text;
    bool http10;
  };
  const Case kCases[] = {
      {"HTTP/1.1 200 OK", 200, "200 OK", false},
      {"HTTP/1.0 404 Not Found", 404, "404 Not Found", true},
      {"http/1.0 301", 301, "301", true},
      {"HTTP/1.1 302 Found elsewhere", 302, "302 Found elsewhere", false},
      {"HTTP/1.05 200 OK", 200, "200 OK", true},  // only three characters are compared
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    const StatusLine status = ParseStatusLine(c.line);
    EXPECT_EQ(status.ResponseCode, c.code);
    EXPECT_EQ(status.ResponseText, c.text);
    EXPECT_EQ(status.IsHttp10, c.http10);
  }
  for (const char* bad : {"HTTP/1.1 abc OK", "HTTP/1.1", "", "HTTP/1.1  200 OK", "HTTP/1.1 2x0"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseStatusLine(bad), ConvertError);
  }
}

TEST(ReplyReader, ParsesChunkSizeLines) {
  struct Case {
    const char* line;
    int64_t size;
  };
  const Case kCases[] = {
      {"5", 5},         {"1aF", 0x1af}, {"0", 0},     {"10;ext=1", 16},
      {"10 ; ext", 16}, {"10\t;x", 16}, {"000a", 10}, {"7fffffffffffffff", INT64_MAX},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ParseChunkSize(c.line), c.size);
  }
  for (const char* bad : {"", ";ext", "zz", "0x10", "$10", "-1", " 5", "8000000000000000", "5z"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseChunkSize(bad), MalformedReplyError);
  }
}

TEST(ReplyReader, ChoosesBodyFraming) {
  struct Case {
    const char* name;
    FramingInput input;
    BodyFraming expected;
  };
  const Case kCases[] = {
      {"length", {false, 200, 12, false, ""}, BodyFraming::Length},
      {"chunked", {false, 200, 0, false, "chunked"}, BodyFraming::Chunked},
      {"chunked any case over a length",
       {false, 200, 12, false, "gzip, Chunked"},
       BodyFraming::Chunked},
      {"length zero", {false, 200, 0, true, ""}, BodyFraming::Empty},
      {"no length", {false, 200, 0, false, ""}, BodyFraming::UntilClose},
      {"no content", {false, 204, 0, false, ""}, BodyFraming::Empty},
      {"no content even when chunked", {false, 204, 0, false, "chunked"}, BodyFraming::Empty},
      {"head with a length", {true, 200, 12, false, ""}, BodyFraming::Empty},
      {"not modified still until close", {false, 304, 0, false, ""}, BodyFraming::UntilClose},
      {"other coding is not chunked", {false, 200, 0, false, "gzip"}, BodyFraming::UntilClose},
      {"chunked over a negative length", {false, 200, -1, false, "chunked"}, BodyFraming::Chunked},
      {"chunked over a zero length", {false, 200, 0, true, "chunked"}, BodyFraming::Chunked},
      {"head with a negative length", {true, 200, -1, false, ""}, BodyFraming::Empty},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChooseBodyFraming(c.input), c.expected);
  }
  EXPECT_THROW(ChooseBodyFraming({false, 200, -1, false, ""}), MalformedReplyError);
}

// A slow server may split a reply anywhere; every split must decode alike.
TEST(ReplyReader, ReadsChunkedBodiesSplitAnywhere) {
  const std::string wire =
      "4\r\nWiki\r\n5;x=y\r\npedia\r\nE\r\n in\r\n\r\nchunks.\r\n0\r\nTrailer: t\r\n\r\nNEXT\n";
  for (const size_t piece : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, wire.size()}) {
    SCOPED_TRACE(piece);
    MemorySource source(wire, piece);
    BufferedReader in(source);
    MemoryBuffer out("old content that is longer than the body");
    out.SetPosition(0);
    ReadChunkedBody(in, out);
    EXPECT_EQ(out.View(), "Wikipedia in\r\n\r\nchunks.");
    EXPECT_EQ(in.ReadLine(100), "NEXT") << "the trailer section must be consumed whole";
  }
}

TEST(ReplyReader, ChunkedBodyFailures) {
  struct Case {
    const char* name;
    std::string wire;
    std::string expectedType;
  };
  const Case kCases[] = {
      {"bad size", "g\r\n", "MalformedReplyError"},
      {"data overruns its size", "2\r\nabc\r\n0\r\n\r\n", "MalformedReplyError"},
      {"close inside data", "5\r\nab", "ConnClosedGracefully"},
      {"close before the last chunk", "2\r\nab\r\n", "ConnClosedGracefully"},
      {"close inside the trailers", "0\r\nX: 1\r\n", "ConnClosedGracefully"},
      {"size line over the limit", std::string((size_t{1} << 20) + 1, '0'), "ReadLimitError"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.wire);
    BufferedReader in(source);
    MemoryBuffer out;
    std::string type = "none";
    try {
      ReadChunkedBody(in, out);
    } catch (const Error& e) {
      type = e.TypeName();
    }
    EXPECT_EQ(type, c.expectedType);
  }
}

TEST(ReplyReader, ReadsHeaderBlocksSplitAnywhere) {
  const std::string wire = "A: 1\r\nB: two\r\n  more\nC:\r\n\r\nbody";
  for (const size_t piece : {size_t{1}, size_t{5}, wire.size()}) {
    SCOPED_TRACE(piece);
    MemorySource source(wire, piece);
    BufferedReader in(source);
    HeaderList lines;
    lines.Add("left over");
    ReadHeaderBlock(in, lines);
    ASSERT_EQ(lines.Count(), 4U);
    EXPECT_EQ(lines.Line(0), "A: 1");
    EXPECT_EQ(lines.Line(2), "  more");
    EXPECT_EQ(lines.Line(3), "C:");
    EXPECT_EQ(lines.Value("B"), "two more");
  }
}

TEST(ReplyReader, HeaderBlockLimitCountsWireBytesAndLines) {
  struct Case {
    const char* name;
    size_t lineBytes;  // each line's bytes, without its CR LF
    size_t lines;
    size_t extra;  // bytes added to the first line
    bool fits;
  };
  const Case kCases[] = {
      {"8 MiB exactly", 1022, 8192, 0, true},
      {"one byte over 8 MiB", 1022, 8192, 1, false},
      {"the most lines", 1, 100000, 0, true},
      {"one line too many", 1, 100001, 0, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string wire(c.extra, 'x');
    for (size_t i = 0; i < c.lines; ++i) {
      wire.append(c.lineBytes, 'h').append("\r\n");
    }
    wire.append("\r\n");
    MemorySource source(wire);
    BufferedReader in(source);
    HeaderList lines;
    if (c.fits) {
      ReadHeaderBlock(in, lines);
      EXPECT_EQ(lines.Count(), c.lines);
    } else {
      EXPECT_THROW(ReadHeaderBlock(in, lines), ReadLimitError);
    }
  }
}

}  // namespace
}  // namespace sendaro::testing
