#include "http/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace sendaro {
namespace {

TEST(Base64Test, EncodesTheRfc4648Vectors) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* text;
  };
  const Case kCases[] = {
      {"empty", "", ""},
      {"one byte, two pads", "f", "Zg=="},
      {"two bytes, one pad", "fo", "Zm8="},
      {"three bytes", "foo", "Zm9v"},
      {"four bytes", "foob", "Zm9vYg=="},
      {"five bytes", "fooba", "Zm9vYmE="},
      {"six bytes", "foobar", "Zm9vYmFy"},
      {"credentials", "Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
      {"high bytes", "\xFF\xFF\xFF", "////"},
      {"high bytes padded", "\xFF\xFE", "//4="},
      {"last alphabet entries", "\xFB\xEF\xBE", "++++"},
      {"NUL bytes", std::string(3, '\0'), "AAAA"},
      {"NUL then high", std::string("\0\xFF", 2), "AP8="},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodeBase64(c.bytes), c.text);
  }
}

TEST(Base64Test, EveryByteValueRoundsThroughTheAlphabet) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  const std::string text = EncodeBase64(all);
  ASSERT_EQ(text.size(), 344U);  // 256 bytes: 85 full groups and one padded
  EXPECT_EQ(text.substr(0, 8), "AAECAwQF");
  EXPECT_EQ(text.substr(text.size() - 8), "/P3+/w==");
  EXPECT_EQ(
      text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
      std::string::npos);
}

TEST(Base64Test, AppendKeepsExistingTextAndPiecesEqualTheWhole) {
  std::string body;
  for (int i = 0; i < 1000; ++i) {
    body += static_cast<char>((i * 37 + 11) & 0xFF);
  }
  const std::string whole = EncodeBase64(body);
  for (const size_t piece : {3U, 6U, 300U, 999U}) {
    SCOPED_TRACE(piece);
    std::string out = "Basic ";
    for (size_t offset = 0; offset < body.size(); offset += piece) {
      AppendBase64(std::string_view(body).substr(offset, piece), out);
    }
    EXPECT_EQ(out, "Basic " + whole);
  }
}

}  // namespace
}  // namespace sendaro
