#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "platform/ByteSource.h"

namespace sendaro::testing {

// Hands out fixed bytes in pieces of at most `piece` bytes per receive, then reports a close.
// A piece of 1 shows whether a reader copes with a peer that trickles.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string bytes, size_t piece = static_cast<size_t>(-1))
      : bytes_(std::move(bytes)), piece_(std::max<size_t>(piece, 1)) {}

  size_t Receive(char* out, size_t capacity) override {
    const size_t n = std::min({capacity, piece_, bytes_.size() - offset_});
    std::memcpy(out, bytes_.data() + offset_, n);
    offset_ += n;
    ++receives_;
    return n;
  }

  [[nodiscard]] size_t Consumed() const noexcept { return offset_; }
  [[nodiscard]] size_t Receives() const noexcept { return receives_; }

 private:
  std::string bytes_;
  size_t piece_;
  size_t offset_ = 0;
  size_t receives_ = 0;
};

}  // namespace sendaro::testing
