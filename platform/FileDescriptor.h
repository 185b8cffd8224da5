#pragma once

#include <utility>

namespace sendaro {

// Owns one open file descriptor and closes it on destruction. A negative value (none, or the
// current directory's AT_FDCWD) is never closed.
class FileDescriptor {
 public:
  FileDescriptor() noexcept = default;
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }

  [[nodiscard]] int Get() const noexcept { return fd_; }
  // Closes now and tells whether the system accepted everything written (some file systems
  // report a failed write only here). True when there was nothing to close.
  bool Close() noexcept;

 private:
  int fd_ = -1;
};

}  // namespace sendaro
