#include "http/Base64.h"

#include <cstddef>
#include <cstdint>

namespace sendaro {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Both characters of every 12-bit half of a group, so that a group takes two lookups, not four.
struct PairTable {
  char pairs[4096][2]{};
  constexpr PairTable() {
    for (int i = 0; i < 4096; ++i) {
      pairs[i][0] = kAlphabet[i >> 6];
      pairs[i][1] = kAlphabet[i & 0x3F];
    }
  }
};
constexpr PairTable kPairs;

uint32_t Byte(std::string_view bytes, size_t index) {
  return static_cast<unsigned char>(bytes[index]);
}

}  // namespace

void AppendBase64(std::string_view bytes, std::string& out) {
  // Sized once and filled through a pointer: appending per character costs a capacity check each.
  const size_t start = out.size();
  out.resize(start + (bytes.size() + 2) / 3 * 4);
  char* text = &out[start];
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3, text += 4) {
    const uint32_t group = (Byte(bytes, i) << 16) | (Byte(bytes, i + 1) << 8) | Byte(bytes, i + 2);
    const char* high = kPairs.pairs[group >> 12];
    const char* low = kPairs.pairs[group & 0xFFF];
    text[0] = high[0];
    text[1] = high[1];
    text[2] = low[0];
    text[3] = low[1];
  }
  // RFC 4648 section 4: a final group of one or two bytes is padded with "=" to four characters.
  const size_t remaining = bytes.size() - i;
  if (remaining == 0) {
    return;
  }
  uint32_t group = Byte(bytes, i) << 16;
  if (remaining == 2) {
    group |= Byte(bytes, i + 1) << 8;
  }
  text[0] = kAlphabet[(group >> 18) & 0x3F];
  text[1] = kAlphabet[(group >> 12) & 0x3F];
  text[2] = remaining == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
  text[3] = '=';
}

std::string EncodeBase64(std::string_view bytes) {
  std::string out;
  AppendBase64(bytes, out);
  return out;
}

}  // namespace sendaro
