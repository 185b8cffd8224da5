// The built program against nginx serving static files: the three output forms, keep-alive,
// Basic authentication, errors and moves, each compared with what curl gets for the same URL.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/peers/Peers.h"
#include "tests/support/ExpectedMessages.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/Text.h"

namespace sendaro::testing {
namespace {

namespace fs = std::filesystem;

class NginxTest : public PeerTest {
 protected:
  void SetUp() override {
    WriteSite(Dir());
    ASSERT_NO_THROW(RequireProgram(kCurl));
    ASSERT_NO_THROW(MakePasswordFile());
    ASSERT_NO_THROW(nginx_.emplace(kNginx, Dir(), Substitutions{{"{DYNAMIC_PORT}", "9"}}));
  }

  // alice:secret, hashed the way htpasswd files usually are (Apache MD5).
  void MakePasswordFile() const {
    RequireProgram(kOpenssl);
    const ChildResult hash = RunProgram(kOpenssl, {"passwd", "-apr1", "secret"});
    ASSERT_EQ(hash.exitCode, 0) << hash.errors;
    WriteWholeFile(Dir() / "htpasswd", "alice:" + hash.output);
  }

  [[nodiscard]] std::string Url(const std::string& path) const { return nginx_->Url(path); }

  // What curl delivers for `path`; `extra` are more curl arguments.
  [[nodiscard]] std::string CurlBody(const std::string& path,
                                     const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> arguments = extra;
    arguments.push_back(Url(path));
    const ChildResult curl = RunCurl(arguments);
    EXPECT_EQ(curl.exitCode, 0) << curl.errors;
    return curl.output;
  }

  // The status code and the header block nginx sends curl for `path`.
  [[nodiscard]] std::string CurlHead(const std::string& path,
                                     const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> arguments = extra;
    arguments.insert(arguments.end(), {"--dump-header", "-", "--output", "/dev/null", Url(path)});
    const ChildResult curl = RunCurl(arguments);
    EXPECT_EQ(curl.exitCode, 0) << curl.errors;
    return curl.output;
  }

  std::optional<PeerServer> nginx_;
};

std::string HeaderValue(const std::string& head, const std::string& name) {
  const std::string key = "\r\n" + name + ": ";
  const size_t at = head.find(key);
  if (at == std::string::npos) {
    return "";
  }
  const size_t start = at + key.size();
  return head.substr(start, head.find("\r\n", start) - start);
}

class NginxFileTest : public NginxTest, public ::testing::WithParamInterface<std::string> {};

// The same file in each form the program delivers, and as curl delivers it.
TEST_P(NginxFileTest, ArrivesIntactInEveryForm) {
  const SiteFile& file = SiteFileNamed(GetParam());
  const std::string path = "/" + file.name;

  const ChildResult saved = RunSendaro({"-url", Url(path), "-o", "out.bin"}, Dir());
  EXPECT_EQ(saved.exitCode, 0);
  EXPECT_EQ(saved.output, "");
  EXPECT_TRUE(ReadWholeFile(Dir() / "out.bin") == file.bytes) << "-o differs";

  const ChildResult line = RunSendaro({"-url", Url(path)}, Dir());
  EXPECT_EQ(line.exitCode, 0);
  EXPECT_TRUE(line.output == Base64OfFile(Dir() / "www" / file.name) + "\r\n")
      << "Base64 line differs from base64 -w0";

  const ChildResult text = RunSendaro({"-url", Url(path), "-text"}, Dir());
  EXPECT_EQ(text.exitCode, 0);
  if (file.name == "page.txt") {
    EXPECT_EQ(HeaderValue(CurlHead(path), "Content-Type"), "text/plain; charset=Shift_JIS");
    EXPECT_TRUE(text.output == file.bytes) << "raw text differs";
  } else {
    EXPECT_TRUE(text.output == line.output) << "a binary reply is Base64 even with -text";
  }

  EXPECT_TRUE(CurlBody(path) == file.bytes) << "curl got other bytes";
}

INSTANTIATE_TEST_SUITE_P(Files, NginxFileTest,
                         ::testing::Values("empty.bin", "one.bin", "k1.bin", "big.bin", "page.txt"),
                         [](const auto& info) { return ReplaceAll(info.param, ".", "_"); });

// nginx keeps the connection open for 60 s after a reply; the program must end as soon as the
// body is complete, not when nginx gives up on the connection.
TEST_F(NginxTest, KeptAliveReplyEndsWithoutTheIdleWait) {
  const std::string head = CurlHead("/k1.bin");
  ASSERT_EQ(head.substr(0, 15), "HTTP/1.1 200 OK");
  ASSERT_EQ(HeaderValue(head, "Connection"), "keep-alive");
  ASSERT_EQ(HeaderValue(head, "Content-Length"), "1024");

  const auto start = std::chrono::steady_clock::now();
  const ChildResult run = RunSendaro({"-url", Url("/k1.bin"), "-o", "out.bin"}, Dir());
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  std::cout << "[ peer ] one 1 KiB fetch from nginx with keep-alive took " << elapsed.count() * 1000
            << " ms" << std::endl;
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_LT(elapsed.count(), 30.0) << "the program waited for nginx's idle time-out";
}

struct AuthCase {
  const char* name;
  std::vector<std::string> arguments;  // after -url
  std::string settings;                // written to auth.ini when not empty
  bool fetches;
};

void PrintTo(const AuthCase& c, std::ostream* out) {
  *out << c.name;
}

class NginxAuthTest : public NginxTest, public ::testing::WithParamInterface<AuthCase> {};

TEST_P(NginxAuthTest, BasicCredentials) {
  const AuthCase& c = GetParam();
  if (!c.settings.empty()) {
    WriteWholeFile(Dir() / "auth.ini", c.settings);
  }
  std::vector<std::string> arguments{"-url", Url("/private/k1.bin")};
  arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
  const ChildResult run = RunSendaro(arguments, Dir());
  if (c.fetches) {
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(ReadWholeFile(Dir() / "out.bin") == SiteFileNamed("k1.bin").bytes);
    EXPECT_TRUE(CurlBody("/private/k1.bin", {"--user", "alice:secret"}) ==
                SiteFileNamed("k1.bin").bytes);
  } else {
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, AccessErrorLines(Url("/private/k1.bin")));
    EXPECT_FALSE(fs::exists(Dir() / "out.bin"));
    EXPECT_EQ(CurlHead("/private/k1.bin", {"--user", "alice:wrong"}).substr(0, 12), "HTTP/1.1 401");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NginxAuthTest,
    ::testing::Values(
        AuthCase{"RightOnTheCommandLine",
                 {"-user", "alice", "-pass", "secret", "-o", "out.bin"},
                 "",
                 true},
        AuthCase{"WrongPassword", {"-user", "alice", "-pass", "wrong", "-o", "out.bin"}, "", false},
        AuthCase{"NoCredentials", {"-o", "out.bin"}, "", false},
        AuthCase{"RightFromSettingsFile",
                 {"-i", "auth.ini"},
                 "[SENDARO]\r\nUSER=alice\r\nPASSWORD=secret\r\nOUTFILE=out.bin\r\n",
                 true},
        AuthCase{"WrongFromSettingsFile",
                 {"-i", "auth.ini"},
                 "[SENDARO]\r\nUSER=alice\r\nPASSWORD=Secret\r\nOUTFILE=out.bin\r\n",
                 false},
        // The settings file brings the default guest credentials.
        AuthCase{
            "DefaultFromSettingsFile", {"-i", "auth.ini"}, "[SENDARO]\nOUTFILE=out.bin\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NginxTest, NotFoundGivesTheAccessErrorLines) {
  const ChildResult run = RunSendaro({"-url", Url("/nothere.bin")}, Dir());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.output, AccessErrorLines(Url("/nothere.bin")));
  EXPECT_EQ(CurlHead("/nothere.bin").substr(0, 12), "HTTP/1.1 404");
}

// The four lines, the last naming the Location exactly as nginx sends it.
TEST_F(NginxTest, MovesGiveTheFourLinesWithNginxsLocation) {
  struct Case {
    const char* path;
    const char* status;
    std::string location;
  };
  const Case kCases[] = {
      {"/moved", "HTTP/1.1 301", Url("/k1.bin")},  // made absolute by nginx
      {"/found", "HTTP/1.1 302", "http://elsewhere.test/new?from=found"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.path);
    const std::string head = CurlHead(c.path);
    EXPECT_EQ(head.substr(0, 12), c.status);
    EXPECT_EQ(HeaderValue(head, "Location"), c.location);

    const ChildResult run = RunSendaro({"-url", Url(c.path), "-o", "out.bin"}, Dir());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, AccessErrorLines(Url(c.path), c.location));
    EXPECT_FALSE(fs::exists(Dir() / "out.bin"));
  }
}

}  // namespace
}  // namespace sendaro::testing
