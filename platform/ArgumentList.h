#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace sendaro {

// The arguments after the program name, numbered from 1.
class ArgumentList {
 public:
  explicit ArgumentList(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}
  ArgumentList(int argc, const char* const* argv);

  [[nodiscard]] size_t Count() const noexcept { return arguments_.size(); }
  // The argument numbered `index`; empty for 0 and beyond the last.
  [[nodiscard]] std::string At(size_t index) const;

 private:
  std::vector<std::string> arguments_;
};

}  // namespace sendaro
