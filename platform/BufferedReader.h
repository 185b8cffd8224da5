#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ByteSource.h"
#include "platform/MemoryBuffer.h"

namespace sendaro {

// Line and stream reading over a ByteSource, with one receive buffer. Bytes already buffered
// are always used first; body bytes go from the source straight into the caller's buffer in
// large pieces.
class BufferedReader {
 public:
  static constexpr size_t kBufferBytes = size_t{64} * 1024;

  explicit BufferedReader(ByteSource& source);

  // The bytes up to the next LF, without the LF and without one CR right before it.
  // Raises ConnClosedGracefully when the peer closes before the LF (also before any byte),
  // ReadLimitError when more than `maxBytes` bytes arrive without an LF.
  std::string ReadLine(size_t maxBytes);

  // Writes exactly `count` bytes into `out` at its position; afterwards `out` ends at its
  // position. Raises ConnClosedGracefully if the peer closes first, with the bytes received
  // so far written.
  void ReadExact(MemoryBuffer& out, uint64_t count);

  // Writes everything until the peer closes into `out` at its position; afterwards `out`
  // ends at its position.
  void ReadToClose(MemoryBuffer& out);

  // One receive into the internal buffer. Returns false (and remembers it) when the peer
  // has closed.
  bool FillOnce();

  [[nodiscard]] size_t Buffered() const noexcept { return end_ - begin_; }
  // True once a receive has seen the peer close.
  [[nodiscard]] bool PeerClosed() const noexcept { return peerClosed_; }

  // Forgets buffered bytes and the close, for a new connection.
  void Reset() noexcept;

 private:
  ByteSource& source_;
  std::string buffer_;
  size_t begin_ = 0;  // first unread byte in buffer_
  size_t end_ = 0;    // one past the last received byte in buffer_
  bool peerClosed_ = false;
};

}  // namespace sendaro
