#include "http/Base64.h"

#include <cstddef>
#include <cstdint>

namespace sendaro {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint32_t Byte(std::string_view bytes, size_t index) {
  return static_cast<unsigned char>(bytes[index]);
}

}  // namespace

void AppendBase64(std::string_view bytes, std::string& out) {
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = (Byte(bytes, i) << 16) | (Byte(bytes, i + 1) << 8) | Byte(bytes, i + 2);
    out += kAlphabet[(group >> 18) & 0x3F];
    out += kAlphabet[(group >> 12) & 0x3F];
    out += kAlphabet[(group >> 6) & 0x3F];
    out += kAlphabet[group & 0x3F];
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
  out += kAlphabet[(group >> 18) & 0x3F];
  out += kAlphabet[(group >> 12) & 0x3F];
  out += remaining == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
  out += '=';
}

std::string EncodeBase64(std::string_view bytes) {
  std::string out;
  AppendBase64(bytes, out);
  return out;
}

}  // namespace sendaro
