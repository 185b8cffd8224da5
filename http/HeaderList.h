#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sendaro {

// An ordered list of header lines as received, without their line ends. A line that begins
// with a blank or a tab continues the line before it. New lines always go at the end.
class HeaderList {
 public:
  void Clear() noexcept { lines_.clear(); }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void AddAll(const HeaderList& other);
  [[nodiscard]] size_t Count() const noexcept { return lines_.size(); }
  [[nodiscard]] const std::string& Line(size_t index) const { return lines_.at(index); }

  // The value of the first line whose text before its first colon equals `name` without regard
  // to ASCII case: the text after that colon, each continuation line appended without its
  // leading blanks and after one blank (none when the value so far is empty or already ends in
  // a blank or tab), then stripped of leading blanks and control characters. Empty when absent.
  [[nodiscard]] std::string Value(std::string_view name) const;
  // Whether a line with that name is present (its value may still be empty).
  [[nodiscard]] bool Has(std::string_view name) const;
  // Deletes the first line with that name and the continuation lines right after it.
  void Remove(std::string_view name);

 private:
  [[nodiscard]] size_t Find(std::string_view name) const;  // Count() when absent

  std::vector<std::string> lines_;
};

}  // namespace sendaro
