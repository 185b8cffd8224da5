#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Subprocess.h"
#include "tests/support/TempDirectory.h"

namespace sendaro::testing {

// A program from a Debian package that the peer tests run, and how to ask for its version.
struct PeerProgram {
  std::string name;
  std::string package;
  std::string path;  // where the package installs it
  std::vector<std::string> versionArguments;
  // How to run it as a server in the foreground; "{CONF}" stands for its configuration file.
  std::vector<std::string> serverArguments;
};

extern const PeerProgram kNginx;
extern const PeerProgram kLighttpd;
extern const PeerProgram kSquid;
extern const PeerProgram kTinyproxy;
extern const PeerProgram kCurl;
extern const PeerProgram kOpenssl;

// Raises std::runtime_error, naming the Debian package, when the program is not installed.
void CheckInstalled(const PeerProgram& program);
// The same, and then prints the first line of the program's version to the test log.
void RequireProgram(const PeerProgram& program);

using Substitutions = std::vector<std::pair<std::string, std::string>>;

// One real server on 127.0.0.1, run from its configuration template in tests/peers/conf with
// "{DIR}" (the test's directory), "{PORT}" (a free port chosen here) and `more` filled in, in
// its command line too (with "{CONF}"). Its own output goes to <dir>/<name>.log. The constructor
// returns once the server's own process listens on the port; the destructor stops it by its
// process ID.
class PeerServer {
 public:
  PeerServer(const PeerProgram& program, const std::filesystem::path& dir,
             const Substitutions& more = {});

  [[nodiscard]] int Port() const noexcept { return port_; }
  // "http://127.0.0.1:PORT" followed by `path`.
  [[nodiscard]] std::string Url(const std::string& path) const;
  // What the server has written to its standard output and error so far.
  [[nodiscard]] std::string Log() const;

 private:
  std::filesystem::path log_;
  int port_ = 0;
  BackgroundChild child_;
};

// A port on 127.0.0.1 that nothing listens on at the moment. The peers take theirs from 20000 to
// 29999, below the range the system hands out for its own choices, so that no in-process test
// server or client socket takes it meanwhile.
int UnusedPort(int first = 20000, int last = 29999);

// Runs `program` with `arguments` (CheckInstalled first), standard output captured.
ChildResult RunProgram(const PeerProgram& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingDirectory = {});

// The files that the static server offers, by name under www/: 0 bytes, 1 byte, 1 KiB, 10 MiB of
// random binary data and a Shift_JIS text page.
struct SiteFile {
  std::string name;
  std::string bytes;
};
const std::vector<SiteFile>& SiteFiles();
const SiteFile& SiteFileNamed(const std::string& name);
// Writes SiteFiles() into <dir>/www and again into <dir>/www/private.
void WriteSite(const std::filesystem::path& dir);
// Copies the CGI scripts of tests/peers/cgi into <dir>/cgi.
void WriteScripts(const std::filesystem::path& dir);

// The built program, run in `dir`.
ChildResult RunSendaro(const std::vector<std::string>& arguments, const std::filesystem::path& dir);
// curl without its configuration files, through `proxy` ("http://host:port") or directly (never
// through a proxy from the environment); the reply body on standard output.
ChildResult RunCurl(const std::vector<std::string>& arguments, const std::string& proxy = "");

// `base64 -w0` and `sha256sum` of a file, from coreutils.
std::string Base64OfFile(const std::filesystem::path& file);
std::string Sha256OfFile(const std::filesystem::path& file);

// A fresh directory for each test, for the servers' files and the program's output.
class PeerTest : public ::testing::Test {
 protected:
  [[nodiscard]] const std::filesystem::path& Dir() const noexcept { return dir_.Path(); }

 private:
  TempDirectory dir_{"peers"};
};

// The two origin servers: lighttpd running the CGI scripts, and nginx with the static files and
// lighttpd's output under /dynamic/.
class OriginsTest : public PeerTest {
 protected:
  void SetUp() override;

  std::optional<PeerServer> lighttpd_;
  std::optional<PeerServer> nginx_;
};

}  // namespace sendaro::testing
