#include "http/Url.h"

#include <cstddef>

namespace sendaro {
namespace {

// The first byte of a Shift_JIS double-byte character; the byte after it may be a backslash
// that belongs to the character.
bool IsShiftJisLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string ForwardSlashes(std::string_view url) {
  std::string text(url);
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsShiftJisLeadByte(text[i])) {
      ++i;  // the trail byte is part of the character
    } else if (text[i] == '\\') {
      text[i] = '/';
    }
  }
  return text;
}

}  // namespace

UrlParts SplitUrl(std::string_view url) {
  UrlParts parts;
  const std::string text = ForwardSlashes(url);
  std::string_view rest = text;

  const size_t schemeEnd = rest.find("://");
  if (schemeEnd != std::string_view::npos) {
    parts.Protocol = rest.substr(0, schemeEnd);
    rest.remove_prefix(schemeEnd + 3);
    const size_t slash = rest.find('/');
    const std::string_view hostPart = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    const size_t colon = hostPart.find(':');
    parts.Host = hostPart.substr(0, colon);
    if (colon != std::string_view::npos) {
      parts.Port = hostPart.substr(colon + 1);
    }
  }

  const size_t lastSlash = rest.rfind('/');
  const size_t documentStart = lastSlash == std::string_view::npos ? 0 : lastSlash + 1;
  parts.Path = rest.substr(0, documentStart);
  if (parts.Path.empty() || parts.Path[0] != '/') {
    parts.Path.insert(0, 1, '/');
  }
  const std::string_view document = rest.substr(documentStart);
  const size_t hash = document.find('#');
  parts.Document = document.substr(0, hash);
  if (hash != std::string_view::npos) {
    parts.Bookmark = document.substr(hash + 1);
  }
  return parts;
}

}  // namespace sendaro
