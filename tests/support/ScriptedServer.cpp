#include "tests/support/ScriptedServer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/Error.h"
#include "tests/support/Text.h"

namespace sendaro::testing {

namespace {

constexpr size_t kChunkBytes = size_t{64} * 1024;

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char a, char b) { return Lower(a) == Lower(b); });
}

// The body length a request head announces; 0 without a readable Content-Length.
uint64_t AnnouncedBodyBytes(std::string_view head) {
  constexpr std::string_view kName = "content-length:";
  size_t lineStart = head.find("\r\n");
  while (lineStart != std::string_view::npos) {
    lineStart += 2;
    const size_t lineEnd = head.find("\r\n", lineStart);
    const std::string_view line = head.substr(lineStart, lineEnd - lineStart);
    if (StartsWithIgnoringCase(line, kName)) {
      std::string_view value = line.substr(kName.size());
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
      }
      uint64_t length = 0;
      for (const char c : value) {
        if (c < '0' || c > '9' || length > UINT64_MAX / 10 - 1) {
          break;
        }
        length = length * 10 + static_cast<uint64_t>(c - '0');
      }
      return length;
    }
    lineStart = lineEnd;
  }
  return 0;
}

// A client that resets counts as one that closed: either way nothing more arrives.
size_t ReceiveOrClosed(Socket& socket, std::string& chunk) {
  try {
    return socket.Receive(chunk.data(), chunk.size());
  } catch (const SocketError&) {
    return 0;
  }
}

// Reads one whole request (head up to the blank line, then the announced body) into
// `request`, keeping bytes past it in `pending`. False when the client closed first, with
// what did arrive in `request`.
bool ReadRequest(Socket& socket, std::string& pending, std::string& request) {
  std::string chunk(kChunkBytes, '\0');
  size_t headEnd = std::string::npos;
  uint64_t total = 0;
  for (;;) {
    if (headEnd == std::string::npos) {
      const size_t blankLine = pending.find("\r\n\r\n");
      if (blankLine != std::string::npos) {
        headEnd = blankLine + 4;
        total = headEnd + AnnouncedBodyBytes(std::string_view(pending).substr(0, headEnd));
      }
    }
    if (headEnd != std::string::npos && pending.size() >= total) {
      request = pending.substr(0, static_cast<size_t>(total));
      pending.erase(0, static_cast<size_t>(total));
      return true;
    }
    const size_t got = ReceiveOrClosed(socket, chunk);
    if (got == 0) {
      request = std::exchange(pending, std::string());
      return false;
    }
    pending.append(chunk.data(), got);
  }
}

}  // namespace

ScriptedServer::ScriptedServer(std::vector<ConnectionScript> script)
    : script_(std::move(script)), listener_(Listener::Loopback(0)), port_(listener_.Port()) {
  const std::string port = std::to_string(port_);
  for (ConnectionScript& connection : script_) {
    for (Reply& reply : connection.replies) {
      reply.bytes = ReplaceAll(std::move(reply.bytes), "{PORT}", port);
    }
  }
  thread_ = std::thread(&ScriptedServer::Serve, this);
}

ScriptedServer::~ScriptedServer() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    if (active_ != nullptr) {
      active_->ShutdownBoth();
    }
  }
  listener_.Shutdown();
  if (thread_.joinable()) {
    thread_.join();
  }
}

std::string ScriptedServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::vector<std::string>> ScriptedServer::Requests() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

size_t ScriptedServer::Connections() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return requests_.size();
}

std::vector<std::string> ScriptedServer::AllRequests() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> all;
  for (const auto& connection : requests_) {
    all.insert(all.end(), connection.begin(), connection.end());
  }
  return all;
}

bool ScriptedServer::WaitForConnectionsEnded(size_t count, std::chrono::milliseconds limit) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return endedChanged_.wait_for(lock, limit, [&] { return ended_ >= count; });
}

void ScriptedServer::Serve() {
  for (size_t index = 0;; ++index) {
    Socket socket;
    try {
      socket = listener_.Accept();
    } catch (const SocketError&) {
      return;  // shut down
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) {
        return;
      }
      requests_.emplace_back();
      active_ = &socket;
    }
    if (index < script_.size()) {
      try {
        ServeConnection(socket, script_[index], index);
      } catch (const SocketError&) {
        // The client went away while a reply was being sent: this connection is over.
      }
    }
    Release();
    socket.Close();
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++ended_;
    }
    endedChanged_.notify_all();
  }
}

void ScriptedServer::ServeConnection(Socket& socket, const ConnectionScript& script, size_t index) {
  std::string pending;
  for (const Reply& reply : script.replies) {
    std::string request;
    const bool complete = ReadRequest(socket, pending, request);
    if (!request.empty()) {
      Record(index, request);
    }
    if (!complete) {
      return;
    }
    socket.SendAll(reply.bytes);
    switch (reply.after) {
      case After::Keep:
        break;
      case After::Close:
        Release();
        socket.ShutdownSend();
        socket.Close();
        return;
      case After::Reset:
        Release();
        socket.CloseWithReset();
        return;
    }
  }
  // The script is used up: whatever else the client sends is kept as one last entry.
  bool started = false;
  if (!pending.empty()) {
    Record(index, pending);
    started = true;
  }
  std::string chunk(kChunkBytes, '\0');
  for (;;) {
    const size_t got = ReceiveOrClosed(socket, chunk);
    if (got == 0) {
      return;
    }
    Record(index, std::string_view(chunk.data(), got), started);
    started = true;
  }
}

void ScriptedServer::Record(size_t index, std::string_view bytes, bool extend) {
  const std::lock_guard<std::mutex> lock(mutex_);
  auto& connection = requests_[index];
  if (extend && !connection.empty()) {
    connection.back().append(bytes);
  } else {
    connection.emplace_back(bytes);
  }
}

void ScriptedServer::Release() {
  const std::lock_guard<std::mutex> lock(mutex_);
  active_ = nullptr;
}

}  // namespace sendaro::testing
