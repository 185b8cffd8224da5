#include "platform/FullPath.h"

#include <string>
#include <string_view>

namespace sendaro {
namespace {

// Appends the segments of `text` to `resolved`, which holds "/a/b" with no trailing slash and is
// empty for the root.
void AppendSegments(std::string_view text, std::string& resolved) {
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('/', start);
    const std::string_view segment =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? text.size() : end + 1;
    if (segment.empty() || segment == ".") {
      continue;
    }
    if (segment == "..") {
      // At the root there is nothing to remove, and the root has no parent.
      const size_t lastSlash = resolved.rfind('/');
      resolved.resize(lastSlash == std::string::npos ? 0 : lastSlash);
      continue;
    }
    resolved += '/';
    resolved += segment;
  }
}

}  // namespace

std::string ExpandFullPath(std::string_view path, std::string_view currentDirectory) {
  if (path.empty()) {
    return {};
  }
  std::string resolved;
  if (path.front() != '/') {
    resolved.reserve(currentDirectory.size() + path.size() + 2);
    AppendSegments(currentDirectory, resolved);
  } else {
    resolved.reserve(path.size() + 1);
  }
  AppendSegments(path, resolved);
  if (resolved.empty()) {
    return "/";
  }
  // "file/" must not come out as the plain file "file".
  if (path.back() == '/') {
    resolved += '/';
  }
  return resolved;
}

}  // namespace sendaro
