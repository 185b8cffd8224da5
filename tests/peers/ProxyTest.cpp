// The built program through squid and tinyproxy as forward proxies in front of nginx (static
// files) and lighttpd (a chunked reply), set on the command line or in a settings file, and with
// the origin down. Each fetch is compared with what curl gets through the same proxy.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/peers/Peers.h"
#include "tests/support/ExpectedMessages.h"
#include "tests/support/TempDirectory.h"

namespace sendaro::testing {
namespace {

namespace fs = std::filesystem;

// Where the program takes the proxy from.
enum class ProxyFrom { Options, SettingsFile };

struct ProxyCase {
  const char* name;
  const PeerProgram* proxy;
  ProxyFrom from;
  const char* requestLog;  // the proxy's log of the requests it got, under the test's directory
};

void PrintTo(const ProxyCase& c, std::ostream* out) {
  *out << c.name;
}

class ProxyTest : public OriginsTest, public ::testing::WithParamInterface<ProxyCase> {
 protected:
  void SetUp() override {
    OriginsTest::SetUp();
    if (HasFatalFailure()) {
      return;
    }
    // squid writes its log as its own user when started as root.
    fs::create_directory(Dir() / "squid-logs");
    fs::permissions(Dir() / "squid-logs", fs::perms::all);
    ASSERT_NO_THROW(proxy_.emplace(*GetParam().proxy, Dir()));
  }

  // Whether the proxy logged a GET for `url`, in the absolute form with the port: proof that the
  // program went through the proxy and named the origin's port. squid writes its line once the
  // reply has gone out, which may be after the program has it, so this waits a little.
  [[nodiscard]] bool ProxyLoggedGetFor(const std::string& url) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ReadWholeFile(Dir() / GetParam().requestLog).find("GET " + url + " ") ==
           std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  // The program's run for `url` through the proxy, the output written to out.bin.
  [[nodiscard]] ChildResult Fetch(const std::string& url) const {
    const std::string port = std::to_string(proxy_->Port());
    if (GetParam().from == ProxyFrom::Options) {
      return RunSendaro(
          {"-proxysrv", "127.0.0.1", "-proxyport", port, "-url", url, "-o", "out.bin"}, Dir());
    }
    WriteWholeFile(Dir() / "proxy.ini", "[SENDARO]\r\nURL=" + url +
                                            "\r\nOUTFILE=out.bin\r\nPROXYSERVER=127.0.0.1\r\n"
                                            "PROXYPORT=" +
                                            port + "\r\n");
    return RunSendaro({"-i", "proxy.ini"}, Dir());
  }

  [[nodiscard]] std::string CurlProxy() const {
    return "http://127.0.0.1:" + std::to_string(proxy_->Port());
  }

  std::optional<PeerServer> proxy_;
};

TEST_P(ProxyTest, FilesArriveIntact) {
  std::vector<std::pair<std::string, std::string>> fetches;  // URL, expected bytes
  for (const SiteFile& file : SiteFiles()) {
    fetches.emplace_back(nginx_->Url("/" + file.name), file.bytes);
  }
  // A chunked reply, as the proxy passes it on.
  fetches.emplace_back(lighttpd_->Url("/stream.sh?1048577"),
                       SiteFileNamed("big.bin").bytes.substr(0, 1048577));

  for (const auto& [url, expected] : fetches) {
    SCOPED_TRACE(url);
    fs::remove(Dir() / "out.bin");
    const ChildResult run = Fetch(url);
    EXPECT_EQ(run.exitCode, 0) << run.output << proxy_->Log();
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(ReadWholeFile(Dir() / "out.bin") == expected) << "-o differs";
    EXPECT_TRUE(ProxyLoggedGetFor(url));  // before curl asks for the same URL

    const ChildResult curl = RunCurl({url}, CurlProxy());
    EXPECT_EQ(curl.exitCode, 0) << curl.errors;
    EXPECT_TRUE(curl.output == expected) << "curl got other bytes";
  }
}

// The proxy answers with an error page of its own (5xx): a failed request.
TEST_P(ProxyTest, OriginDownFails) {
  // Below the range the tests' own servers take their ports from, so that none starts there.
  const std::string url =
      "http://127.0.0.1:" + std::to_string(UnusedPort(19000, 19999)) + "/k1.bin";
  const ChildResult run = Fetch(url);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.output, AccessErrorLines(url));
  EXPECT_FALSE(fs::exists(Dir() / "out.bin"));

  const ChildResult curl =
      RunCurl({"--write-out", "%{http_code}", "--output", "/dev/null", url}, CurlProxy());
  EXPECT_EQ(curl.output.substr(0, 1), "5") << curl.output;
}

INSTANTIATE_TEST_SUITE_P(Proxies, ProxyTest,
                         ::testing::Values(ProxyCase{"SquidFromOptions", &kSquid,
                                                     ProxyFrom::Options, "squid-logs/access.log"},
                                           ProxyCase{"SquidFromSettingsFile", &kSquid,
                                                     ProxyFrom::SettingsFile,
                                                     "squid-logs/access.log"},
                                           ProxyCase{"TinyproxyFromOptions", &kTinyproxy,
                                                     ProxyFrom::Options, "tinyproxy.log"},
                                           ProxyCase{"TinyproxyFromSettingsFile", &kTinyproxy,
                                                     ProxyFrom::SettingsFile, "tinyproxy.log"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sendaro::testing
