#pragma once

#include <cstddef>

namespace sendaro {

// The seam under every reader: a socket in the program, bytes in memory in tests.
class ByteSource {
 public:
  ByteSource() = default;
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;
  virtual ~ByteSource() = default;

  // Blocks until at least one byte has arrived and copies up to `capacity` bytes to `out`.
  // Returns 0 when the peer has closed its side; raises SocketError on a reset or failure.
  virtual size_t Receive(char* out, size_t capacity) = 0;
};

}  // namespace sendaro
