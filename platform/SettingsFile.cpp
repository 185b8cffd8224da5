#include "platform/SettingsFile.h"

#include <string>
#include <string_view>
#include <utility>

#include "platform/AsciiText.h"

namespace sendaro {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Drops one outer pair of matching quotes, so a value can keep blanks at its ends.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

SettingsFile::SettingsFile(std::string text) : text_(std::move(text)) {}

std::string SettingsFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view fallback) const {
  std::string_view rest = text_;
  if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    rest.remove_prefix(kByteOrderMark.size());
  }
  // Lines before the first section line belong to no section, so start outside.
  bool inSection = false;
  while (!rest.empty()) {
    const size_t lineEnd = rest.find('\n');
    std::string_view line = rest.substr(0, lineEnd);
    rest = lineEnd == std::string_view::npos ? std::string_view() : rest.substr(lineEnd + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    line = TrimBlanks(line);
    if (line.empty()) {
      continue;
    }
    if (line.front() == '[') {
      if (inSection) {
        // Only the first section of that name is searched.
        break;
      }
      const std::string_view name = line.substr(1);
      inSection = EqualsIgnoringAsciiCase(TrimBlanks(name.substr(0, name.find(']'))), section);
      continue;
    }
    if (!inSection || line.front() == ';') {
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos ||
        !EqualsIgnoringAsciiCase(TrimBlanks(line.substr(0, equals)), key)) {
      continue;
    }
    const std::string_view value = Unquote(TrimBlanks(line.substr(equals + 1)));
    return std::string(value.substr(0, kMaxSettingValueBytes));
  }
  return std::string(fallback);
}

}  // namespace sendaro
