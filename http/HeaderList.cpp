#include "http/HeaderList.h"

#include <algorithm>
#include <iterator>

#include "platform/AsciiText.h"

namespace sendaro {
namespace {

// RFC 7230 section 3.2.4 (obs-fold): a line that starts with whitespace continues the one before.
bool IsContinuation(std::string_view line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

}  // namespace

void HeaderList::AddAll(const HeaderList& other) {
  // By index after one reserve, so that appending a list to itself stays valid.
  const size_t count = other.lines_.size();
  lines_.reserve(lines_.size() + count);
  for (size_t i = 0; i < count; ++i) {
    lines_.push_back(other.lines_[i]);
  }
}

size_t HeaderList::Find(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = lines_[i];
    if (IsContinuation(line)) {
      continue;
    }
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsIgnoringAsciiCase(line.substr(0, colon), name)) {
      return i;
    }
  }
  return lines_.size();
}

std::string HeaderList::Value(std::string_view name) const {
  const size_t index = Find(name);
  if (index == lines_.size()) {
    return {};
  }
  const std::string& line = lines_[index];
  std::string value = line.substr(line.find(':') + 1);
  for (size_t i = index + 1; i < lines_.size() && IsContinuation(lines_[i]); ++i) {
    const std::string& continuation = lines_[i];
    if (!value.empty() && value.back() != ' ' && value.back() != '\t') {
      value += ' ';
    }
    const size_t textStart = continuation.find_first_not_of(" \t");
    if (textStart != std::string::npos) {
      value.append(continuation, textStart);
    }
  }
  const auto firstKept = std::find_if_not(value.begin(), value.end(), IsBlankOrControl);
  value.erase(value.begin(), firstKept);
  return value;
}

bool HeaderList::Has(std::string_view name) const {
  return Find(name) != lines_.size();
}

void HeaderList::Remove(std::string_view name) {
  const size_t index = Find(name);
  if (index == lines_.size()) {
    return;
  }
  size_t end = index + 1;
  while (end < lines_.size() && IsContinuation(lines_[end])) {
    ++end;
  }
  const auto first = std::next(lines_.begin(), static_cast<std::ptrdiff_t>(index));
  const auto last = std::next(lines_.begin(), static_cast<std::ptrdiff_t>(end));
  lines_.erase(first, last);
}

}  // namespace sendaro
