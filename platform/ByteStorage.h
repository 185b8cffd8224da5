#pragma once

#include <cstddef>

namespace sendaro {

// Raw storage for large byte streams, taken straight from the operating system: fresh bytes read
// as zero without being written, pages count against memory only once they are touched, and
// growing moves the pages instead of copying the bytes. Move-only; frees in its destructor.
class ByteStorage {
 public:
  ByteStorage() = default;
  ~ByteStorage();
  ByteStorage(ByteStorage&& other) noexcept;
  ByteStorage& operator=(ByteStorage&& other) noexcept;
  ByteStorage(const ByteStorage&) = delete;
  ByteStorage& operator=(const ByteStorage&) = delete;

  [[nodiscard]] char* Data() noexcept { return data_; }
  [[nodiscard]] const char* Data() const noexcept { return data_; }
  [[nodiscard]] size_t Capacity() const noexcept { return capacity_; }

  // Grows to at least `capacity` bytes, keeping the content. Raises std::bad_alloc.
  void Grow(size_t capacity);
  void Release() noexcept;

 private:
  char* data_ = nullptr;
  size_t capacity_ = 0;
};

}  // namespace sendaro
