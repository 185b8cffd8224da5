#pragma once

#include <cstddef>
#include <string_view>

#include "platform/ByteStorage.h"

namespace sendaro {

// A growable in-memory byte stream with a position and a size. Writing at the position
// overwrites what is there and extends the stream past its end; a position past the end is
// allowed and the gap reads as zero bytes once something is written after it. Move-only: a
// body is never copied by accident.
class MemoryBuffer {
 public:
  MemoryBuffer() = default;
  explicit MemoryBuffer(std::string_view bytes);  // position 0

  [[nodiscard]] size_t Size() const noexcept { return size_; }
  [[nodiscard]] size_t Position() const noexcept { return position_; }
  void SetPosition(size_t position) noexcept { position_ = position; }

  // Shortens or extends (with zero bytes) the stream; the position is kept.
  void SetSize(size_t size);
  // Size and position 0.
  void Clear() noexcept;
  // Makes room for at least `bytes` bytes in all without changing size or position; the first
  // reserve of an empty stream takes exactly that, later ones grow geometrically.
  void Reserve(size_t bytes);

  // Writes at the position and moves it past the bytes written.
  void Write(std::string_view bytes);
  // Copies up to `count` bytes from the position into `out`; returns how many were copied.
  size_t Read(char* out, size_t count) noexcept;

  // For filling straight from a socket: returns room for at least `count` bytes at the
  // position (growing the storage as needed); CommitWrite then accepts the bytes written there.
  char* PrepareWrite(size_t count);
  void CommitWrite(size_t count) noexcept;

  // Every byte of the stream, whatever the position. Valid until the next change.
  [[nodiscard]] std::string_view View() const noexcept {
    return size_ == 0 ? std::string_view() : std::string_view(storage_.Data(), size_);
  }

 private:
  void EnsureCapacity(size_t bytes);

  ByteStorage storage_;  // only the first size_ bytes are content
  size_t size_ = 0;
  size_t position_ = 0;
};

}  // namespace sendaro
