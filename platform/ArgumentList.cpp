#include "platform/ArgumentList.h"

namespace sendaro {

ArgumentList::ArgumentList(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    arguments_.emplace_back(argv[i]);
  }
}

std::string ArgumentList::At(size_t index) const {
  if (index == 0 || index > arguments_.size()) {
    return {};
  }
  return arguments_[index - 1];
}

}  // namespace sendaro
