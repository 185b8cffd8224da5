#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Socket.h"

namespace sendaro::testing {

// What the server does with the connection after sending a reply.
enum class After {
  Keep,   // wait for the next request on the same connection
  Close,  // orderly close
  Reset,  // close with a connection reset
};

// Sent once a whole request (head, and a body announced by Content-Length) has arrived.
// Every "{PORT}" in the bytes becomes the server's port, for replies that point back at it.
struct Reply {
  std::string bytes;
  After after = After::Keep;
};

// The replies for one accepted connection, in order. Once they are used up on a kept
// connection, the server goes on recording whatever arrives until the client closes.
struct ConnectionScript {
  std::vector<Reply> replies;
};

// A loopback HTTP server that plays canned replies and records the exact request bytes. It
// listens on 127.0.0.1 before its thread starts, serves one connection at a time in script
// order, and is stopped and joined by its destructor.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::vector<ConnectionScript> script);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  ScriptedServer(ScriptedServer&&) = delete;
  ScriptedServer& operator=(ScriptedServer&&) = delete;

  [[nodiscard]] int Port() const noexcept { return port_; }
  // "http://127.0.0.1:PORT" followed by `path`.
  [[nodiscard]] std::string Url(const std::string& path = "/") const;

  // Raw bytes received, per accepted connection, per request. Bytes that arrived after the
  // last scripted reply of a connection form one more entry (when there were any).
  [[nodiscard]] std::vector<std::vector<std::string>> Requests() const;
  // Number of connections accepted so far.
  [[nodiscard]] size_t Connections() const;
  // All requests of all connections, in order, for tests that do not care about connections.
  [[nodiscard]] std::vector<std::string> AllRequests() const;

  // Waits until `count` connections have ended on the server side (the client closed, or the
  // script closed them), so that what they recorded is complete. False when that takes longer
  // than `limit`.
  [[nodiscard]] bool WaitForConnectionsEnded(
      size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

 private:
  void Serve();
  void ServeConnection(Socket& socket, const ConnectionScript& script, size_t index);
  // Adds an entry to connection `index`, or (when `extend`) adds to its last one.
  void Record(size_t index, std::string_view bytes, bool extend = false);
  // Clears `active_` so that the destructor no longer touches the socket, which may then close.
  void Release();

  std::vector<ConnectionScript> script_;
  Listener listener_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<std::vector<std::string>> requests_;
  Socket* active_ = nullptr;  // the connection being served, for waking it on shutdown
  bool stopping_ = false;
  size_t ended_ = 0;  // connections the server has finished with
  mutable std::condition_variable endedChanged_;
  std::thread thread_;
};

}  // namespace sendaro::testing
