#include "platform/MemoryBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace sendaro {
namespace {

using namespace std::string_literals;

TEST(MemoryBufferTest, WriteAtPosition) {
  struct Case {
    const char* name;
    std::string initial;
    size_t position;
    std::string written;
    std::string expected;
    size_t expectedPosition;
  };
  const Case kCases[] = {
      {"into empty", "", 0, "abc", "abc", 3},
      {"overwrite the middle", "abcdef", 2, "XY", "abXYef", 4},
      {"overwrite and extend", "abcdef", 4, "XYZ", "abcdXYZ", 7},
      {"append at the end", "abc", 3, "de", "abcde", 5},
      {"gap past the end reads as zeros", "ab", 5, "X", "ab\0\0\0X"s, 6},
      {"empty write changes nothing", "abc", 1, "", "abc", 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    MemoryBuffer buffer(c.initial);
    buffer.SetPosition(c.position);
    buffer.Write(c.written);
    EXPECT_EQ(buffer.View(), c.expected);
    EXPECT_EQ(buffer.Size(), c.expected.size());
    EXPECT_EQ(buffer.Position(), c.expectedPosition);
  }
}

TEST(MemoryBufferTest, ReadCopiesFromPosition) {
  MemoryBuffer buffer("hello world");
  buffer.SetPosition(6);
  char out[16] = {};
  EXPECT_EQ(buffer.Read(out, 3), 3U);
  EXPECT_EQ(std::string(out, 3), "wor");
  EXPECT_EQ(buffer.Read(out, sizeof out), 2U);
  EXPECT_EQ(std::string(out, 2), "ld");
  EXPECT_EQ(buffer.Read(out, sizeof out), 0U);
  buffer.SetPosition(100);
  EXPECT_EQ(buffer.Read(out, sizeof out), 0U);
  EXPECT_EQ(buffer.Position(), 100U);
}

// Shrinking leaves the old bytes in the storage; whatever later becomes content again must
// read as zeros, not as those leftovers.
TEST(MemoryBufferTest, BytesCutOffDoNotComeBack) {
  MemoryBuffer extended("abcdef");
  extended.SetSize(2);
  extended.SetSize(4);
  EXPECT_EQ(extended.View(), "ab\0\0"s);

  MemoryBuffer gap("abcdef");
  gap.SetSize(2);
  gap.SetPosition(4);
  gap.Write("X");
  EXPECT_EQ(gap.View(), "ab\0\0X"s);

  MemoryBuffer prepared("abcdef");
  prepared.SetSize(1);
  prepared.SetPosition(3);
  prepared.PrepareWrite(1)[0] = 'X';
  prepared.CommitWrite(1);
  EXPECT_EQ(prepared.View(), "a\0\0X"s);
}

TEST(MemoryBufferTest, SetSizeKeepsPosition) {
  MemoryBuffer buffer("abcdef");
  buffer.SetPosition(5);
  buffer.SetSize(3);
  EXPECT_EQ(buffer.View(), "abc");
  EXPECT_EQ(buffer.Position(), 5U);
  buffer.SetSize(5);
  EXPECT_EQ(buffer.View(), "abc\0\0"s);
  EXPECT_EQ(buffer.Position(), 5U);
}

TEST(MemoryBufferTest, PrepareAndCommitWrite) {
  MemoryBuffer buffer("0123456789");
  buffer.SetPosition(8);
  char* room = buffer.PrepareWrite(100);
  const std::string_view written = "abcd";
  std::copy(written.begin(), written.end(), room);
  // Room that is not committed is not content.
  EXPECT_EQ(buffer.Size(), 10U);
  buffer.CommitWrite(4);
  EXPECT_EQ(buffer.View(), "01234567abcd");
  EXPECT_EQ(buffer.Position(), 12U);

  // A commit that stays inside the content overwrites without shortening it.
  buffer.SetPosition(1);
  buffer.PrepareWrite(2)[0] = 'X';
  buffer.CommitWrite(1);
  EXPECT_EQ(buffer.View(), "0X234567abcd");
  EXPECT_EQ(buffer.Position(), 2U);
}

TEST(MemoryBufferTest, ReserveKeepsContentAndStorage) {
  MemoryBuffer buffer("abc");
  buffer.SetPosition(1);
  buffer.Reserve(4096);
  EXPECT_EQ(buffer.View(), "abc");
  EXPECT_EQ(buffer.Position(), 1U);
  // Writes within the reserved room must not move the storage.
  const char* storage = buffer.View().data();
  const std::string piece(100, 'x');
  buffer.SetPosition(3);
  for (int i = 0; i < 40; ++i) {
    buffer.Write(piece);
  }
  EXPECT_EQ(buffer.View().data(), storage);
  EXPECT_EQ(buffer.Size(), 4003U);
}

TEST(MemoryBufferTest, ManySmallWritesKeepEveryByte) {
  MemoryBuffer buffer;
  std::string expected;
  for (int i = 0; i < 10000; ++i) {
    const std::string piece = std::to_string(i) + ",";
    buffer.Write(piece);
    expected += piece;
  }
  EXPECT_EQ(buffer.View(), expected);
  EXPECT_EQ(buffer.Position(), expected.size());
}

TEST(MemoryBufferTest, WriteOfItsOwnBytes) {
  MemoryBuffer buffer("abcdef");
  buffer.SetPosition(buffer.Size());
  const std::string_view own = buffer.View();
  buffer.Write(own);  // at the end: the storage grows under `own`
  EXPECT_EQ(buffer.View(), "abcdefabcdef");
}

TEST(MemoryBufferTest, ClearEmptiesAndRewinds) {
  MemoryBuffer buffer("abcdef");
  buffer.SetPosition(4);
  buffer.Clear();
  EXPECT_EQ(buffer.Size(), 0U);
  EXPECT_EQ(buffer.Position(), 0U);
  buffer.SetSize(2);
  EXPECT_EQ(buffer.View(), "\0\0"s);
}

}  // namespace
}  // namespace sendaro
