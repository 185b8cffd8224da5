#pragma once

#include <algorithm>
#include <string_view>

// Case rules of protocol and settings names: only the ASCII letters fold, whatever the locale,
// and every other byte (Shift_JIS included) compares as it is.
namespace sendaro {

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

inline bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view word) {
  return word.empty() ||
         std::search(text.begin(), text.end(), word.begin(), word.end(),
                     [](char x, char y) { return LowerAscii(x) == LowerAscii(y); }) != text.end();
}

}  // namespace sendaro
