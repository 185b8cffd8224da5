// Prints how fast the client reads a large reply over loopback, per body framing, and how much
// memory the process needed for it. Run: build/release/bench/fetch_bench [MiB]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "http/HttpClient.h"
#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "platform/ProcessStats.h"
#include "platform/Socket.h"

namespace {

enum class Framing { Length, Chunked, UntilClose };

const char* Name(Framing f) {
  switch (f) {
    case Framing::Length:
      return "content-length";
    case Framing::Chunked:
      return "chunked (1 MiB chunks)";
    case Framing::UntilClose:
      return "until close";
  }
  return "";
}

// Serves one request with `mib` MiB of body, sent from one reused 1 MiB block.
void Serve(sendaro::Listener& listener, Framing framing, size_t mib) {
  sendaro::Socket s = listener.Accept();
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
  if (framing == Framing::Length) {
    head += "Content-Length: " + std::to_string(mib << 20) + "\r\n";
  } else if (framing == Framing::Chunked) {
    head += "Transfer-Encoding: chunked\r\n";
  }
  s.SendAll(head + "\r\n");
  for (size_t i = 0; i < mib; ++i) {
    if (framing == Framing::Chunked) {
      s.SendAll("100000\r\n");
      s.SendAll(block);
      s.SendAll("\r\n");
    } else {
      s.SendAll(block);
    }
  }
  if (framing == Framing::Chunked) {
    s.SendAll("0\r\n\r\n");
  }
  s.ShutdownSend();
  // Wait for the client to close so the close is orderly on both sides.
  while (s.Receive(piece, sizeof piece) > 0) {
  }
}

struct Result {
  double seconds;
  size_t bytes;
};

Result Fetch(Framing framing, size_t mib) {
  sendaro::Listener listener = sendaro::Listener::Loopback();
  std::thread server([&] {
    try {
      Serve(listener, framing, mib);
    } catch (const sendaro::Error& e) {
      std::printf("server: %s\n", e.what());
    }
  });
  sendaro::HttpClient client;
  sendaro::MemoryBuffer reply;
  const auto start = std::chrono::steady_clock::now();
  try {
    client.Get("http://127.0.0.1:" + std::to_string(listener.Port()) + "/big", &reply);
  } catch (...) {
    listener.Shutdown();
    server.join();
    throw;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  client.Disconnect();
  server.join();
  return {seconds, reply.Size()};
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
  std::printf("body %zu MiB over 127.0.0.1\n", mib);
  try {
    // The first fetch pays for warming the process and the kernel's page pools; it is not shown.
    Fetch(Framing::Length, 16);
    for (const Framing framing : {Framing::Length, Framing::Chunked, Framing::UntilClose}) {
      const Result r = Fetch(framing, mib);
      std::printf("%-24s %8.1f MiB/s  %6.3f s  body %zu bytes  peak RSS so far %zu MiB\n",
                  Name(framing), static_cast<double>(mib) / r.seconds, r.seconds, r.bytes,
                  sendaro::PeakResidentBytes() >> 20);
    }
  } catch (const sendaro::Error& e) {
    std::printf("%s: %s\n", e.TypeName(), e.what());
    return 1;
  }
  return 0;
}
