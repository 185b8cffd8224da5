// A loopback server for scripts/demo: prints its port, serves the demo's four connections in
// order (a chunked text page, a small binary file, the text page again, a page that is not
// there twice) and ends once they are over.
#include <chrono>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/Error.h"
#include "tests/support/ScriptedServer.h"

namespace {

using sendaro::testing::After;
using sendaro::testing::ConnectionScript;
using sendaro::testing::ScriptedServer;

const std::string kGreeting = "Hello from a loopback server.\n";

std::string Hex(size_t value) {
  std::ostringstream text;
  text << std::hex << value;
  return text.str();
}

const std::string kText =
    "HTTP/1.1 200 OK\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "Transfer-Encoding: chunked\r\n"
    "\r\n" +
    Hex(kGreeting.size()) + "\r\n" + kGreeting + "\r\n0\r\n\r\n";

// The eight-byte signature of a PNG file and four bytes of its first chunk's length.
const std::string kPngStart("\x89PNG\r\n\x1A\n\0\0\0\r", 12);

const std::string kBinary = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                            std::to_string(kPngStart.size()) + "\r\n\r\n" + kPngStart;

const std::string kNotFound =
    "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 10\r\n\r\nnot found\n";

}  // namespace

int main() {
  try {
    ScriptedServer server(
        {ConnectionScript{{{kText, After::Close}}}, ConnectionScript{{{kBinary, After::Close}}},
         ConnectionScript{{{kText, After::Close}}},
         ConnectionScript{{{kNotFound, After::Keep}, {kNotFound, After::Close}}}});
    std::cout << server.Port() << std::endl;
    return server.WaitForConnectionsEnded(4, std::chrono::minutes(1)) ? 0 : 1;
  } catch (const sendaro::Error& e) {
    std::cout << e.TypeName() << ": " << e.what() << "\n";
    return 1;
  }
}
