// Prints how fast the client reads a large reply over loopback, per body framing, and how much
// memory the process needed for it. Run: build/release/bench/fetch_bench [MiB]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BodyServer.h"
#include "http/HttpClient.h"
#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "platform/ProcessStats.h"

namespace {

using sendaro::bench::BodyServer;
using sendaro::bench::Framing;
using sendaro::bench::Name;

struct Result {
  double seconds;
  size_t bytes;
};

Result Fetch(Framing framing, size_t mib) {
  const BodyServer server(framing, mib);
  sendaro::HttpClient client;
  sendaro::MemoryBuffer reply;
  const auto start = std::chrono::steady_clock::now();
  client.Get(server.Url(), &reply);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  client.Disconnect();
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
