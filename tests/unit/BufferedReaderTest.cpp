#include "platform/BufferedReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "tests/support/MemorySource.h"

namespace sendaro {
namespace {

using testing::MemorySource;

// Every reader must give the same result whether the peer sends everything at once or
// trickles it in small pieces, split at every possible byte.
const size_t kPieces[] = {1, 2, 3, 7, static_cast<size_t>(-1)};

enum class End { Closed, Limit };

// What the next ReadLine does after the expected lines.
End NextLineFailure(BufferedReader& reader, size_t maxBytes) {
  try {
    const std::string line = reader.ReadLine(maxBytes);
    ADD_FAILURE() << "unexpected line \"" << line << "\"";
  } catch (const ConnClosedGracefully&) {
    return End::Closed;
  } catch (const ReadLimitError&) {
    return End::Limit;
  }
  return End::Closed;
}

TEST(BufferedReaderTest, ReadLine) {
  struct Case {
    const char* name;
    std::string input;
    size_t maxBytes;
    std::vector<std::string> lines;
    End end;
  };
  const Case kCases[] = {
      {"CR LF and bare LF", "one\r\ntwo\nthree\r\n", 100, {"one", "two", "three"}, End::Closed},
      {"CR inside a line is kept", "a\rb\r\n", 100, {"a\rb"}, End::Closed},
      {"only one CR before the LF goes", "a\r\r\n", 100, {"a\r"}, End::Closed},
      {"empty lines", "\r\n\n\r\n", 100, {"", "", ""}, End::Closed},
      {"close before any byte", "", 100, {}, End::Closed},
      {"close mid line", "one\r\ntw", 100, {"one"}, End::Closed},
      {"close between CR and LF", "one\r", 100, {}, End::Closed},
      {"exactly at the limit", "abcd\r\nwxyz\n", 4, {"abcd", "wxyz"}, End::Closed},
      {"empty line with limit zero", "\r\n", 0, {""}, End::Closed},
      {"one over the limit", "abcd\r\nabcde\r\n", 4, {"abcd"}, End::Limit},
      {"one over with a bare LF", "abcde\n", 4, {}, End::Limit},
      // Too long before any line end arrives: the reader must not wait for one.
      {"over the limit before the close", "abcde", 4, {}, End::Limit},
      {"a CR at the limit may still be the line end", "abcd\r", 4, {}, End::Closed},
      {"a CR at the limit followed by more", "abcd\rx\r\n", 4, {}, End::Limit},
  };
  for (const Case& c : kCases) {
    for (const size_t piece : kPieces) {
      SCOPED_TRACE(std::string(c.name) + ", piece " + std::to_string(piece));
      MemorySource source(c.input, piece);
      BufferedReader reader(source);
      for (const std::string& expected : c.lines) {
        EXPECT_EQ(reader.ReadLine(c.maxBytes), expected);
      }
      EXPECT_EQ(NextLineFailure(reader, c.maxBytes), c.end);
    }
  }
}

TEST(BufferedReaderTest, LongLineStopsAtTheLimitAsBytesArrive) {
  // A peer that never sends an LF: the reader gives up soon after the limit, it does not
  // take in everything.
  const std::string endless(size_t{8} * 1024 * 1024, 'x');
  for (const size_t piece : kPieces) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    MemorySource source(endless, piece);
    BufferedReader reader(source);
    EXPECT_THROW(reader.ReadLine(1000), ReadLimitError);
    EXPECT_LE(source.Consumed(), 1000 + BufferedReader::kBufferBytes);
  }
}

TEST(BufferedReaderTest, LineSpanningManyRefills) {
  const std::string longLine(3 * BufferedReader::kBufferBytes + 5, 'y');
  MemorySource source(longLine + "\r\nnext\n");
  BufferedReader reader(source);
  EXPECT_EQ(reader.ReadLine(longLine.size()), longLine);
  EXPECT_EQ(reader.ReadLine(10), "next");
}

TEST(BufferedReaderTest, ReadExactUsesBufferedBytesFirst) {
  for (const size_t piece : kPieces) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    MemorySource source("Length: 10\r\n0123456789tail\n", piece);
    BufferedReader reader(source);
    EXPECT_EQ(reader.ReadLine(100), "Length: 10");
    MemoryBuffer body;
    reader.ReadExact(body, 10);
    EXPECT_EQ(body.View(), "0123456789");
    EXPECT_EQ(body.Position(), 10U);
    EXPECT_EQ(reader.ReadLine(100), "tail");
  }
}

TEST(BufferedReaderTest, ReadExactAtPositionCutsTheOldTail) {
  for (const size_t piece : kPieces) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    MemorySource source("abcd", piece);
    BufferedReader reader(source);
    MemoryBuffer out("0123456789");
    out.SetPosition(3);
    reader.ReadExact(out, 4);
    EXPECT_EQ(out.View(), "012abcd");
    EXPECT_EQ(out.Position(), 7U);
  }
}

TEST(BufferedReaderTest, ReadExactOfNothingEndsTheStreamAtItsPosition) {
  MemorySource source("");
  BufferedReader reader(source);
  MemoryBuffer out("0123456789");
  out.SetPosition(4);
  reader.ReadExact(out, 0);
  EXPECT_EQ(out.View(), "0123");
  EXPECT_EQ(source.Receives(), 0U);
}

TEST(BufferedReaderTest, CloseDuringReadExactKeepsWhatArrived) {
  for (const size_t piece : kPieces) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    MemorySource source("head\nabc", piece);
    BufferedReader reader(source);
    EXPECT_EQ(reader.ReadLine(100), "head");
    MemoryBuffer out("0123456789");
    out.SetPosition(2);
    EXPECT_THROW(reader.ReadExact(out, 10), ConnClosedGracefully);
    EXPECT_EQ(out.View(), "01abc");
    EXPECT_EQ(out.Position(), 5U);
    EXPECT_TRUE(reader.PeerClosed());
  }
}

TEST(BufferedReaderTest, ReadToCloseTakesEverythingLeft) {
  for (const size_t piece : kPieces) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    MemorySource source("status\r\nthe rest\r\nof it", piece);
    BufferedReader reader(source);
    EXPECT_EQ(reader.ReadLine(100), "status");
    MemoryBuffer out("0123456789abcdefghijklmn");
    out.SetPosition(1);
    reader.ReadToClose(out);
    EXPECT_EQ(out.View(), "0the rest\r\nof it");
    EXPECT_EQ(out.Position(), 16U);
    EXPECT_TRUE(reader.PeerClosed());
  }
}

TEST(BufferedReaderTest, LargeBodiesArriveInFewReceives) {
  const std::string body(size_t{1024} * 1024, 'b');
  {
    MemorySource source(body);
    BufferedReader reader(source);
    MemoryBuffer out;
    reader.ReadExact(out, body.size());
    EXPECT_EQ(out.Size(), body.size());
    EXPECT_LE(source.Receives(), 4U);
  }
  {
    MemorySource source(body);
    BufferedReader reader(source);
    MemoryBuffer out;
    reader.ReadToClose(out);
    EXPECT_EQ(out.View(), body);
    EXPECT_LE(source.Receives(), 16U);
  }
}

// An announced size past what is reserved up front is not trusted: the body still arrives
// whole when it is really there, and a peer that closes early costs no huge allocation.
TEST(BufferedReaderTest, ReadExactBeyondTheReserveLimit) {
  const size_t announced = size_t{65} * 1024 * 1024;
  {
    MemorySource source(std::string(announced, 'z'));
    BufferedReader reader(source);
    MemoryBuffer out;
    reader.ReadExact(out, announced);
    EXPECT_EQ(out.Size(), announced);
    EXPECT_EQ(out.View().find_first_not_of('z'), std::string::npos);
    EXPECT_LE(source.Receives(), 64U);
  }
  {
    MemorySource source("short");
    BufferedReader reader(source);
    MemoryBuffer out;
    EXPECT_THROW(reader.ReadExact(out, uint64_t{1} << 62), ConnClosedGracefully);
    EXPECT_EQ(out.View(), "short");
  }
}

TEST(BufferedReaderTest, FillOnceKeepsBytesForTheNextLine) {
  MemorySource source("line\r\n");
  BufferedReader reader(source);
  EXPECT_TRUE(reader.FillOnce());
  EXPECT_EQ(reader.Buffered(), 6U);
  EXPECT_EQ(reader.ReadLine(100), "line");
  EXPECT_FALSE(reader.FillOnce());
  EXPECT_TRUE(reader.PeerClosed());
  // The close is remembered: the source is not asked again.
  const size_t receives = source.Receives();
  EXPECT_THROW(reader.ReadLine(100), ConnClosedGracefully);
  EXPECT_EQ(source.Receives(), receives);
}

TEST(BufferedReaderTest, ResetForgetsBufferedBytesAndTheClose) {
  MemorySource source("first\nsecond\n");
  BufferedReader reader(source);
  EXPECT_EQ(reader.ReadLine(100), "first");
  EXPECT_FALSE(reader.FillOnce());
  EXPECT_EQ(reader.Buffered(), 7U);
  reader.Reset();
  EXPECT_EQ(reader.Buffered(), 0U);
  EXPECT_FALSE(reader.PeerClosed());
  // A new connection is asked again rather than taken for closed.
  const size_t receives = source.Receives();
  EXPECT_THROW(reader.ReadLine(100), ConnClosedGracefully);
  EXPECT_EQ(source.Receives(), receives + 1);
}

// Gives its bytes, then fails like a connection reset.
class FailingSource final : public ByteSource {
 public:
  explicit FailingSource(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Receive(char* out, size_t capacity) override {
    if (bytes_.empty()) {
      throw SocketError("connection reset by peer");
    }
    const size_t count = std::min(capacity, bytes_.size());
    bytes_.copy(out, count);
    bytes_.erase(0, count);
    return count;
  }

 private:
  std::string bytes_;
};

TEST(BufferedReaderTest, SocketErrorsPassThrough) {
  {
    FailingSource source("partial line");
    BufferedReader reader(source);
    EXPECT_THROW(reader.ReadLine(100), SocketError);
  }
  {
    FailingSource source("abc");
    BufferedReader reader(source);
    MemoryBuffer out;
    EXPECT_THROW(reader.ReadExact(out, 10), SocketError);
  }
  {
    FailingSource source("abc");
    BufferedReader reader(source);
    MemoryBuffer out;
    EXPECT_THROW(reader.ReadToClose(out), SocketError);
    EXPECT_FALSE(reader.PeerClosed());
  }
}

}  // namespace
}  // namespace sendaro
