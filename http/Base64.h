#pragma once

#include <string>
#include <string_view>

namespace sendaro {

// Standard Base64 (RFC 4648 section 4) with "=" padding and no line breaks.
std::string EncodeBase64(std::string_view bytes);

// Appends the Base64 text of `bytes` to `out`. Only the last piece of a longer input may have a
// length that is not a multiple of three, or padding would appear in the middle.
void AppendBase64(std::string_view bytes, std::string& out);

}  // namespace sendaro
