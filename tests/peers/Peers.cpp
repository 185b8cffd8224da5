#include "tests/peers/Peers.h"

#include <chrono>
#include <cstdint>
#include <iostream>
#include <random>
#include <stdexcept>
#include <thread>

#include "platform/Error.h"
#include "platform/Socket.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/Text.h"

namespace sendaro::testing {

namespace fs = std::filesystem;

const PeerProgram kNginx{
    "nginx", "nginx", "/usr/sbin/nginx", {"-v"}, {"-c", "{CONF}", "-e", "stderr"}};
const PeerProgram kLighttpd{
    "lighttpd", "lighttpd", "/usr/sbin/lighttpd", {"-v"}, {"-D", "-f", "{CONF}"}};
// -n names squid's shared-memory segments; with the default name, those that a squid which did
// not end cleanly leaves behind make every later squid of another user fail.
const PeerProgram kSquid{"squid",
                         "squid",
                         "/usr/sbin/squid",
                         {"-v"},
                         {"-N", "-d", "1", "-n", "sendaro{PORT}", "-f", "{CONF}"}};
const PeerProgram kTinyproxy{
    "tinyproxy", "tinyproxy", "/usr/bin/tinyproxy", {"-v"}, {"-d", "-c", "{CONF}"}};
const PeerProgram kCurl{"curl", "curl", "/usr/bin/curl", {"--version"}, {}};
const PeerProgram kOpenssl{"openssl", "openssl", "/usr/bin/openssl", {"version"}, {}};

namespace {

const PeerProgram kBase64{"base64", "coreutils", "/usr/bin/base64", {"--version"}, {}};
const PeerProgram kSha256sum{"sha256sum", "coreutils", "/usr/bin/sha256sum", {"--version"}, {}};

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

std::string ReadTemplate(const std::string& relative) {
  const fs::path path = fs::path(SENDARO_PEERS_SOURCE_DIR) / relative;
  if (!fs::is_regular_file(path)) {
    throw std::runtime_error("missing " + path.string());
  }
  return ReadWholeFile(path);
}

// Deterministic, so that a failure can be looked at again with the same bytes.
std::string RandomBytes(size_t count, uint64_t seed) {
  std::mt19937_64 generator(seed);
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; i += 8) {
    const uint64_t word = generator();
    for (size_t j = 0; j < 8 && i + j < count; ++j) {
      bytes[i + j] = static_cast<char>(word >> (8 * j));
    }
  }
  return bytes;
}

void RequireSuccess(const ChildResult& result, const std::string& what) {
  if (result.exitCode != 0) {
    throw std::runtime_error(what + " failed (exit " + std::to_string(result.exitCode) +
                             ", signal " + std::to_string(result.signal) + "): " + result.errors);
  }
}

}  // namespace

void CheckInstalled(const PeerProgram& program) {
  if (!fs::is_regular_file(program.path)) {
    throw std::runtime_error(program.path + " is missing: install the Debian package " +
                             program.package + " (scripts/install-deps does)");
  }
}

void RequireProgram(const PeerProgram& program) {
  const ChildResult version = RunProgram(program, program.versionArguments);
  // nginx writes its version to standard error.
  std::cout << "[ peer ] " << program.name << ": "
            << FirstLine(version.output.empty() ? version.errors : version.output) << std::endl;
}

int UnusedPort(int first, int last) {
  std::random_device seed;
  std::uniform_int_distribution<int> pick(first, last);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int port = pick(seed);
    try {
      Listener::Loopback(port);  // closed again at once; nothing was accepted on it
      return port;
    } catch (const SocketError&) {
      // taken: try another
    }
  }
  throw std::runtime_error("no free port on 127.0.0.1 between " + std::to_string(first) + " and " +
                           std::to_string(last));
}

PeerServer::PeerServer(const PeerProgram& program, const fs::path& dir, const Substitutions& more)
    : log_(dir / (program.name + ".log")) {
  RequireProgram(program);
  const std::string configuration = ReadTemplate("conf/" + program.name + ".conf");
  const fs::path conf = dir / (program.name + ".conf");

  // Another test may take the chosen port before the server binds it; the server then ends (nginx
  // after a few seconds of retrying) and another port is tried. Ready means that this very
  // process listens on the port, so that another test's server is never taken for it.
  for (int attempt = 1;; ++attempt) {
    port_ = UnusedPort();
    const auto fill = [&](std::string text) {
      text = ReplaceAll(ReplaceAll(std::move(text), "{DIR}", dir.string()), "{PORT}",
                        std::to_string(port_));
      for (const auto& [placeholder, value] : more) {
        text = ReplaceAll(text, placeholder, value);
      }
      return ReplaceAll(text, "{CONF}", conf.string());
    };
    WriteWholeFile(conf, fill(configuration));
    std::vector<std::string> argv{program.path};
    for (const std::string& argument : program.serverArguments) {
      argv.push_back(fill(argument));
    }
    child_ = BackgroundChild::Start(argv, log_.string(), dir.string());

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (child_.Running() && !child_.ListensOn(port_) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (child_.ListensOn(port_)) {
      return;
    }
    const bool endedByItself = !child_.Running();
    child_.Stop();
    if (!endedByItself || attempt == 3) {
      throw std::runtime_error(program.name + " did not start on port " + std::to_string(port_) +
                               (endedByItself
                                    ? " (exit " + std::to_string(child_.End().exitCode) + ")"
                                    : " within 20 s") +
                               ":\n" + Log());
    }
  }
}

std::string PeerServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string PeerServer::Log() const {
  return ReadWholeFile(log_);
}

ChildResult RunProgram(const PeerProgram& program, const std::vector<std::string>& arguments,
                       const fs::path& workingDirectory) {
  CheckInstalled(program);
  std::vector<std::string> argv{program.path};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildOptions options;
  options.workingDirectory = workingDirectory.string();
  return RunChild(argv, options);
}

const std::vector<SiteFile>& SiteFiles() {
  static const std::vector<SiteFile> files{
      {"empty.bin", ""},
      {"one.bin", "\xFF"},
      {"k1.bin", RandomBytes(1024, 1)},
      {"big.bin", RandomBytes(10 << 20, 2)},
      // "表示テスト" and "ソフト" with CR LF: trail bytes 0x5C among them, no line end at the end.
      {"page.txt", "\x95\x5C\x8E\xA6\x83\x65\x83\x58\x83\x67\r\n\x83\x5C\x83\x74\x83\x67"},
  };
  return files;
}

const SiteFile& SiteFileNamed(const std::string& name) {
  for (const SiteFile& file : SiteFiles()) {
    if (file.name == name) {
      return file;
    }
  }
  throw std::invalid_argument("no site file " + name);
}

void WriteSite(const fs::path& dir) {
  for (const fs::path& www : {dir / "www", dir / "www" / "private"}) {
    fs::create_directories(www);
    for (const SiteFile& file : SiteFiles()) {
      WriteWholeFile(www / file.name, file.bytes);
    }
  }
}

void WriteScripts(const fs::path& dir) {
  fs::create_directories(dir / "cgi");
  for (const char* script : {"sha256.sh", "stream.sh"}) {
    WriteWholeFile(dir / "cgi" / script, ReadTemplate(std::string("cgi/") + script));
  }
}

ChildResult RunSendaro(const std::vector<std::string>& arguments, const fs::path& dir) {
  std::vector<std::string> argv{SENDARO_BINARY};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildOptions options;
  options.workingDirectory = dir.string();
  return RunChild(argv, options);
}

ChildResult RunCurl(const std::vector<std::string>& arguments, const std::string& proxy) {
  std::vector<std::string> argv{"-q", "--silent", "--show-error"};
  if (proxy.empty()) {
    argv.insert(argv.end(), {"--noproxy", "*"});
  } else {
    argv.insert(argv.end(), {"--proxy", proxy});
  }
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(kCurl, argv);
}

std::string Base64OfFile(const fs::path& file) {
  const ChildResult result = RunProgram(kBase64, {"-w0", file.string()});
  RequireSuccess(result, "base64");
  return result.output;
}

std::string Sha256OfFile(const fs::path& file) {
  const ChildResult result = RunProgram(kSha256sum, {file.string()});
  RequireSuccess(result, "sha256sum");
  return result.output.substr(0, result.output.find(' '));
}

void OriginsTest::SetUp() {
  WriteSite(Dir());
  WriteScripts(Dir());
  ASSERT_NO_THROW(RequireProgram(kCurl));
  ASSERT_NO_THROW(lighttpd_.emplace(kLighttpd, Dir()));
  ASSERT_NO_THROW(nginx_.emplace(
      kNginx, Dir(), Substitutions{{"{DYNAMIC_PORT}", std::to_string(lighttpd_->Port())}}));
}

}  // namespace sendaro::testing
