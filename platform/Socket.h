#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ByteSource.h"

namespace sendaro {

// One blocking IPv4 TCP socket. Move-only; closes in its destructor. Sends never raise SIGPIPE.
class Socket final : public ByteSource {
 public:
  Socket() = default;
  ~Socket() override;
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // Resolves `host` (a dotted address as is, LOCALHOST as 127.0.0.1, any other name by its
  // first IPv4 address) and connects to `port`. Raises SocketError, the socket closed.
  static Socket Connect(const std::string& host, int port);

  [[nodiscard]] bool IsOpen() const noexcept { return fd_ >= 0; }

  // Sends every byte; raises SocketError (a peer that has gone away included).
  void SendAll(std::string_view bytes);
  size_t Receive(char* out, size_t capacity) override;
  // Waits at most `milliseconds` for bytes or a close to arrive; true when a receive would
  // not block.
  bool WaitReadable(int milliseconds);

  // Half-close: no more sends, receives still work.
  void ShutdownSend() noexcept;
  // Wakes any thread blocked on this socket (the socket stays open until Close).
  void ShutdownBoth() noexcept;
  void Close() noexcept;
  // Closes so that the peer sees a connection reset instead of an orderly close.
  void CloseWithReset() noexcept;

 private:
  friend class Listener;
  explicit Socket(int fd) noexcept : fd_(fd) {}
  int fd_ = -1;
};

// A listening socket on 127.0.0.1, for servers that tests and demos run in-process.
class Listener {
 public:
  // Binds 127.0.0.1 on `port` (0: the system chooses) and listens at once.
  static Listener Loopback(int port = 0);

  Listener() = default;
  ~Listener();
  Listener(Listener&& other) noexcept;
  Listener& operator=(Listener&& other) noexcept;
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  [[nodiscard]] int Port() const noexcept { return port_; }
  // Blocks until a client connects; raises SocketError when the listener was shut down.
  Socket Accept();
  // Wakes a thread blocked in Accept; later accepts fail.
  void Shutdown() noexcept;

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace sendaro
