#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "http/HeaderList.h"

namespace sendaro::testing {

inline HeaderList MakeList(std::initializer_list<const char*> lines) {
  HeaderList list;
  for (const char* line : lines) {
    list.Add(line);
  }
  return list;
}

inline std::vector<std::string> LinesOf(const HeaderList& list) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < list.Count(); ++i) {
    lines.push_back(list.Line(i));
  }
  return lines;
}

}  // namespace sendaro::testing
