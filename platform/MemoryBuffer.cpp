#include "platform/MemoryBuffer.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace sendaro {

namespace {

size_t CheckedEnd(size_t position, size_t count) {
  if (count > static_cast<size_t>(-1) - position) {
    throw std::length_error("memory stream would grow past the addressable size");
  }
  return position + count;
}

}  // namespace

MemoryBuffer::MemoryBuffer(std::string_view bytes) {
  Write(bytes);
  position_ = 0;
}

void MemoryBuffer::SetSize(size_t size) {
  if (size > size_) {
    EnsureCapacity(size);
    // Bytes past the old end may be left over from before a shrink: the stream reads zeros.
    std::memset(storage_.Data() + size_, 0, size - size_);
  }
  size_ = size;
}

void MemoryBuffer::Clear() noexcept {
  storage_.Release();
  size_ = 0;
  position_ = 0;
}

void MemoryBuffer::Reserve(size_t bytes) {
  EnsureCapacity(bytes);
}

void MemoryBuffer::Write(std::string_view bytes) {
  if (bytes.empty()) {
    return;
  }
  const std::less<> before;
  const char* storageBegin = storage_.Data();
  if (!before(bytes.data(), storageBegin) &&
      before(bytes.data(), storageBegin + storage_.Capacity())) {
    // The bytes live in this stream's own storage, which growing would free under them.
    const std::string copy(bytes);
    Write(copy);
    return;
  }
  char* target = PrepareWrite(bytes.size());
  std::memcpy(target, bytes.data(), bytes.size());
  CommitWrite(bytes.size());
}

size_t MemoryBuffer::Read(char* out, size_t count) noexcept {
  if (position_ >= size_) {
    return 0;
  }
  const size_t copied = std::min(count, size_ - position_);
  std::memcpy(out, storage_.Data() + position_, copied);
  position_ += copied;
  return copied;
}

char* MemoryBuffer::PrepareWrite(size_t count) {
  EnsureCapacity(CheckedEnd(position_, count));
  if (position_ > size_) {
    // The gap between the end and a position past it becomes content once the write is
    // committed; it must read as zeros, whatever an earlier shrink left there.
    std::memset(storage_.Data() + size_, 0, position_ - size_);
  }
  return storage_.Data() + position_;
}

void MemoryBuffer::CommitWrite(size_t count) noexcept {
  if (count == 0) {
    return;
  }
  position_ += count;
  size_ = std::max(size_, position_);
}

void MemoryBuffer::EnsureCapacity(size_t bytes) {
  const size_t capacity = storage_.Capacity();
  if (bytes <= capacity) {
    return;
  }
  // Growing moves pages rather than bytes, and untouched room costs no memory, so doubling is
  // cheap. Many small reserves (one per chunk of a body) thus grow the storage only rarely.
  storage_.Grow(std::max(bytes, capacity > static_cast<size_t>(-1) / 2 ? bytes : capacity * 2));
}

}  // namespace sendaro
