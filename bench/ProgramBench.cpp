// Prints how fast the built program delivers a large reply from a loopback server in each output
// form, and the most memory the program held while doing it. The server streams the body from
// one small block, so the figure is the program's own.
// Run: build/release/bench/program_bench [MiB]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BodyServer.h"
#include "platform/Error.h"
#include "platform/Subprocess.h"

namespace {

using sendaro::bench::BodyServer;
using sendaro::bench::Framing;

struct Form {
  const char* name;
  const char* contentType;
  std::vector<std::string> options;
};

}  // namespace

int main(int argc, char** argv) {
  const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
  const Form forms[] = {
      {"output file (-o)", "application/octet-stream", {"-o", "/dev/null"}},
      {"raw text (-text)", "text/plain", {"-text"}},
      {"Base64 line", "application/octet-stream", {}},
  };
  std::printf("body %zu MiB over 127.0.0.1, standard output to /dev/null\n", mib);
  try {
    for (const Form& form : forms) {
      const BodyServer server(Framing::Length, mib, form.contentType);
      std::vector<std::string> args{SENDARO_BINARY, "-url", server.Url()};
      args.insert(args.end(), form.options.begin(), form.options.end());
      sendaro::ChildOptions options;
      options.output = sendaro::ChildOutput::File;
      options.outputPath = "/dev/null";

      const auto start = std::chrono::steady_clock::now();
      const sendaro::ChildResult result = sendaro::RunChild(args, options);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::printf("%-18s exit %d  %7.1f MiB/s  peak RSS %6.1f MiB (%.2f x body)\n", form.name,
                  result.exitCode, static_cast<double>(mib) / seconds,
                  static_cast<double>(result.peakResidentBytes) / (1 << 20),
                  static_cast<double>(result.peakResidentBytes) / static_cast<double>(mib << 20));
    }
  } catch (const sendaro::Error& e) {
    std::printf("%s: %s\n", e.TypeName(), e.what());
    return 1;
  }
  return 0;
}
