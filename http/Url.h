#pragma once

#include <string>
#include <string_view>

namespace sendaro {

// The pieces of a URL as the client uses them. Nothing is decoded and no case is changed.
struct UrlParts {
  std::string Protocol;  // text before "://", as written
  std::string Host;      // host part up to its first ":"
  std::string Port;      // text after that ":"; empty when there is none
  std::string Path;      // always begins with "/"; ends with the last "/" of the rest
  std::string Document;  // after the path, up to the first "#"; a query stays in it
  std::string Bookmark;  // after that "#"
};

// Backslashes become "/" (except the second byte of a Shift_JIS double-byte character); the
// first "://" anywhere separates protocol and host part; there is no user-information part.
UrlParts SplitUrl(std::string_view url);

}  // namespace sendaro
