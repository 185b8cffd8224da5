#pragma once

#include <string>

namespace sendaro::testing {

// `text` with every `from` replaced by `to`; text that a replacement brings in is not searched.
inline std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace sendaro::testing
