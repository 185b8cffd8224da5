#include "platform/Socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/AsciiText.h"
#include "platform/Error.h"

namespace sendaro {

namespace {

std::string ErrnoText(int error) {
  return std::generic_category().message(error);
}

std::string Endpoint(const std::string& host, int port) {
  return host + ":" + std::to_string(port);
}

bool IsLocalhost(const std::string& host) {
  return EqualsIgnoringAsciiCase(host, "localhost");
}

struct AddrInfoDeleter {
  void operator()(addrinfo* list) const noexcept { freeaddrinfo(list); }
};

in_addr Resolve(const std::string& host, int port) {
  in_addr address{};
  if (IsLocalhost(host)) {
    address.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
    return address;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int result = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  const std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);
  if (result != 0) {
    const int error = errno;
    const std::string reason = result == EAI_SYSTEM ? ErrnoText(error) : gai_strerror(result);
    throw SocketError("cannot resolve " + Endpoint(host, port) + ": " + reason);
  }
  for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      sockaddr_in ipv4{};
      std::copy_n(reinterpret_cast<const char*>(entry->ai_addr), sizeof ipv4,
                  reinterpret_cast<char*>(&ipv4));
      return ipv4.sin_addr;
    }
  }
  throw SocketError("cannot resolve " + Endpoint(host, port) + ": no IPv4 address");
}

[[noreturn]] void ListenFailure(const std::string& what, int error) {
  throw SocketError(what + ": " + ErrnoText(error));
}

const sockaddr* AsSockaddr(const sockaddr_in& address) {
  return reinterpret_cast<const sockaddr*>(&address);
}

// An interrupted connect goes on in the background; its outcome is fetched once the socket
// becomes writable.
int FinishInterruptedConnect(int fd) {
  pollfd entry{fd, POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, -1);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) {
    return errno;
  }
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
    return errno;
  }
  return error;
}

}  // namespace

Socket::~Socket() {
  Close();
}

Socket::Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

Socket Socket::Connect(const std::string& host, int port) {
  if (port < 0 || port > 65535) {
    // Would otherwise wrap around to some other, valid port.
    throw SocketError("cannot connect to " + Endpoint(host, port) + ": port out of range");
  }
  if (host.find('\0') != std::string::npos) {
    // The resolver would see only the part before the NUL: another host than the one named.
    throw SocketError("cannot connect to " + Endpoint(host, port) + ": NUL byte in the host name");
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr = Resolve(host, port);

  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) {
    const int error = errno;
    throw SocketError("cannot create a socket for " + Endpoint(host, port) + ": " +
                      ErrnoText(error));
  }
  int error = 0;
  if (::connect(socket.fd_, AsSockaddr(address), sizeof address) != 0) {
    error = errno == EINTR ? FinishInterruptedConnect(socket.fd_) : errno;
  }
  if (error != 0) {
    throw SocketError("cannot connect to " + Endpoint(host, port) + ": " + ErrnoText(error));
  }
  // A request head and its body go out in separate sends; without this the second would wait
  // for the acknowledgement of the first.
  const int on = 1;
  setsockopt(socket.fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return socket;
}

void Socket::SendAll(std::string_view bytes) {
  if (fd_ < 0) {
    throw SocketError("not connected");
  }
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      const int error = errno;
      if (error == EINTR) {
        continue;
      }
      throw SocketError("send failed: " + ErrnoText(error));
    }
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

size_t Socket::Receive(char* out, size_t capacity) {
  if (fd_ < 0) {
    throw SocketError("not connected");
  }
  for (;;) {
    const ssize_t got = ::recv(fd_, out, capacity, 0);
    if (got >= 0) {
      return static_cast<size_t>(got);
    }
    const int error = errno;
    if (error != EINTR) {
      throw SocketError("receive failed: " + ErrnoText(error));
    }
  }
}

bool Socket::WaitReadable(int milliseconds) {
  if (fd_ < 0) {
    return false;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  pollfd entry{fd_, POLLIN, 0};
  int timeout = milliseconds;
  for (;;) {
    const int ready = ::poll(&entry, 1, timeout);
    if (ready >= 0) {
      // A hang-up or an error counts too: the next receive reports it.
      return ready > 0 && (entry.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
    const int error = errno;
    if (error != EINTR) {
      throw SocketError("poll failed: " + ErrnoText(error));
    }
    if (milliseconds >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeout = static_cast<int>(std::max<decltype(left)>(left, 0));
    }
  }
}

void Socket::ShutdownSend() noexcept {
  if (fd_ >= 0) {
    ::shutdown(fd_, SHUT_WR);
  }
}

void Socket::ShutdownBoth() noexcept {
  if (fd_ >= 0) {
    ::shutdown(fd_, SHUT_RDWR);
  }
}

void Socket::Close() noexcept {
  if (fd_ >= 0) {
    // Not retried on EINTR: the descriptor is released either way.
    ::close(std::exchange(fd_, -1));
  }
}

void Socket::CloseWithReset() noexcept {
  if (fd_ >= 0) {
    const linger abort{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Close();
  }
}

Listener Listener::Loopback(int port) {
  if (port < 0 || port > 65535) {
    throw SocketError("cannot listen on 127.0.0.1:" + std::to_string(port) + ": port out of range");
  }
  const std::string where = "127.0.0.1:" + std::to_string(port);
  Listener listener;
  listener.fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener.fd_ < 0) {
    const int error = errno;
    ListenFailure("cannot create a socket for " + where, error);
  }
  const int on = 1;
  ::setsockopt(listener.fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listener.fd_, AsSockaddr(address), sizeof address) != 0) {
    const int error = errno;
    ListenFailure("cannot bind " + where, error);
  }
  constexpr int kBacklog = 16;
  if (::listen(listener.fd_, kBacklog) != 0) {
    const int error = errno;
    ListenFailure("cannot listen on " + where, error);
  }
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (::getsockname(listener.fd_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    const int error = errno;
    ListenFailure("cannot read the address of " + where, error);
  }
  listener.port_ = ntohs(bound.sin_port);
  return listener;
}

Listener::~Listener() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

Listener::Listener(Listener&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), port_(std::exchange(other.port_, 0)) {}

Listener& Listener::operator=(Listener&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = std::exchange(other.fd_, -1);
    port_ = std::exchange(other.port_, 0);
  }
  return *this;
}

Socket Listener::Accept() {
  if (fd_ < 0) {
    throw SocketError("accept failed: not listening");
  }
  for (;;) {
    const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
      return Socket(fd);
    }
    // A client that gave up while queued is no reason to stop listening.
    const int error = errno;
    if (error != EINTR && error != ECONNABORTED) {
      throw SocketError("accept failed: " + ErrnoText(error));
    }
  }
}

void Listener::Shutdown() noexcept {
  if (fd_ >= 0) {
    // On Linux this wakes a blocked accept, which then fails like every later one.
    ::shutdown(fd_, SHUT_RDWR);
  }
}

}  // namespace sendaro
