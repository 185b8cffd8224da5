#pragma once

#include <string>
#include <string_view>

namespace sendaro {

// The absolute form of `path`: a relative path is joined to `currentDirectory` (itself absolute);
// "." and ".." segments and repeated slashes are resolved as text, without following links.
// An empty `path` gives an empty result, which names no file.
std::string ExpandFullPath(std::string_view path, std::string_view currentDirectory);

}  // namespace sendaro
