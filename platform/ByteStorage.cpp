#include "platform/ByteStorage.h"

#include <sys/mman.h>

#include <new>
#include <utility>

namespace sendaro {

namespace {

constexpr size_t kPageBytes = 4096;

size_t RoundUp(size_t bytes, size_t unit) {
  if (bytes > static_cast<size_t>(-1) - unit) {
    throw std::bad_alloc();
  }
  return (bytes + unit - 1) / unit * unit;
}

}  // namespace

ByteStorage::~ByteStorage() {
  Release();
}

ByteStorage::ByteStorage(ByteStorage&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}

ByteStorage& ByteStorage::operator=(ByteStorage&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void ByteStorage::Grow(size_t capacity) {
  if (capacity <= capacity_) {
    return;
  }
  // No huge-page advice: compacting memory for them made a one-off large fetch slower, and a
  // one-off fetch is what the program does.
  const size_t bytes = RoundUp(capacity, kPageBytes);
  void* grown = data_ == nullptr ? ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                 : ::mremap(data_, capacity_, bytes, MREMAP_MAYMOVE);
  if (grown == MAP_FAILED) {
    throw std::bad_alloc();
  }
  data_ = static_cast<char*>(grown);
  capacity_ = bytes;
}

void ByteStorage::Release() noexcept {
  if (data_ != nullptr) {
    ::munmap(data_, capacity_);
    data_ = nullptr;
    capacity_ = 0;
  }
}

}  // namespace sendaro
