#include "bench/BodyServer.h"

#include <cstdio>
#include <utility>

#include "platform/Error.h"

namespace sendaro::bench {

const char* Name(Framing framing) {
  switch (framing) {
    case Framing::Length:
      return "content-length";
    case Framing::Chunked:
      return "chunked (1 MiB chunks)";
    case Framing::UntilClose:
      return "until close";
  }
  return "";
}

BodyServer::BodyServer(Framing framing, size_t mib, std::string contentType)
    : framing_(framing),
      mib_(mib),
      contentType_(std::move(contentType)),
      listener_(Listener::Loopback()),
      thread_([this] {
        try {
          Serve();
        } catch (const Error& e) {
          std::printf("server: %s\n", e.what());
        }
      }) {}

BodyServer::~BodyServer() {
  listener_.Shutdown();
  thread_.join();
}

std::string BodyServer::Url() const {
  return "http://127.0.0.1:" + std::to_string(listener_.Port()) + "/big";
}

void BodyServer::Serve() {
  Socket s = listener_.Accept();
  std::string request;
  char piece[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const size_t n = s.Receive(piece, sizeof piece);
    if (n == 0) {
      return;
    }
    request.append(piece, n);
  }
  const std::string block(size_t{1} << 20, 'x');
  std::string head = "HTTP/1.1 200 OK\r\n";
  if (!contentType_.empty()) {
    head += "Content-Type: " + contentType_ + "\r\n";
  }
  if (framing_ == Framing::Length) {
    head += "Content-Length: " + std::to_string(mib_ << 20) + "\r\n";
  } else if (framing_ == Framing::Chunked) {
    head += "Transfer-Encoding: chunked\r\n";
  }
  s.SendAll(head + "\r\n");
  for (size_t i = 0; i < mib_; ++i) {
    if (framing_ == Framing::Chunked) {
      s.SendAll("100000\r\n");
      s.SendAll(block);
      s.SendAll("\r\n");
    } else {
      s.SendAll(block);
    }
  }
  if (framing_ == Framing::Chunked) {
    s.SendAll("0\r\n\r\n");
  }
  s.ShutdownSend();
  // Wait for the client to close so the close is orderly on both sides.
  while (s.Receive(piece, sizeof piece) > 0) {
  }
}

}  // namespace sendaro::bench
