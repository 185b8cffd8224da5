#include "platform/FileDescriptor.h"

#include <unistd.h>

#include <cerrno>

namespace sendaro {

bool FileDescriptor::Close() noexcept {
  const int fd = std::exchange(fd_, -1);
  // After EINTR Linux has closed the descriptor already; retrying could close another one.
  return fd < 0 || ::close(fd) == 0 || errno == EINTR;
}

}  // namespace sendaro
