#pragma once

#include <cstddef>

namespace sendaro {

// A status, header, chunk-size or trailer line longer than this fails the exchange.
inline constexpr size_t kMaxLineBytes = size_t{1} << 20;
// So does a header block (or a trailer section) whose lines add up to more than this.
inline constexpr size_t kMaxHeaderBlockBytes = size_t{8} << 20;
// And so does one of more lines than this: each stored line costs far more than its bytes.
inline constexpr size_t kMaxHeaderLines = 100000;

}  // namespace sendaro
