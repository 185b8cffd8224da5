// The built program against dynamic replies: lighttpd's CGI output without a length, sent in
// chunks by lighttpd itself and by nginx in front of it, and POSTs to a CGI script that answers
// with the SHA-256 of what it received. Each is compared with what curl gets.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/peers/Peers.h"
#include "tests/support/TempDirectory.h"

namespace sendaro::testing {
namespace {

namespace fs = std::filesystem;

class DynamicTest : public OriginsTest {
 protected:
  // The line of lighttpd's access log that names `target`. lighttpd holds its log lines for a
  // few seconds, so it is stopped (which writes them) first.
  std::string AccessLogLine(const std::string& target) {
    nginx_.reset();
    lighttpd_.reset();
    const std::string log = ReadWholeFile(Dir() / "lighttpd-access.log");
    const size_t at = log.find(target);
    if (at == std::string::npos) {
      return "";
    }
    const size_t start = log.rfind('\n', at) + 1;  // npos + 1 is 0
    return log.substr(start, log.find('\n', at) - start);
  }
};

struct ChunkedCase {
  const char* name;
  bool throughNginx;
  size_t size;
};

void PrintTo(const ChunkedCase& c, std::ostream* out) {
  *out << c.name;
}

class ChunkedTest : public DynamicTest, public ::testing::WithParamInterface<ChunkedCase> {};

TEST_P(ChunkedTest, DecodedByteForByte) {
  const ChunkedCase& c = GetParam();
  const std::string query = "stream.sh?" + std::to_string(c.size);
  const std::string url =
      c.throughNginx ? nginx_->Url("/dynamic/" + query) : lighttpd_->Url("/" + query);
  const std::string expected = SiteFileNamed("big.bin").bytes.substr(0, c.size);

  // Proof that the server really chunks this reply.
  const ChildResult head = RunCurl({"--dump-header", "-", "--output", "/dev/null", url});
  ASSERT_EQ(head.exitCode, 0) << head.errors;
  EXPECT_NE(head.output.find("\r\nTransfer-Encoding: chunked\r\n"), std::string::npos)
      << head.output;
  EXPECT_EQ(head.output.find("\r\nContent-Length:"), std::string::npos) << head.output;

  // Both servers keep the connection for 60 s: the program must end at the last chunk.
  const auto start = std::chrono::steady_clock::now();
  const ChildResult run = RunSendaro({"-url", url, "-o", "out.bin"}, Dir());
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "");
  EXPECT_TRUE(ReadWholeFile(Dir() / "out.bin") == expected) << "-o differs";
  EXPECT_LT(elapsed.count(), 30.0) << "the program waited for the server's idle time-out";

  const ChildResult curl = RunCurl({url});
  EXPECT_EQ(curl.exitCode, 0) << curl.errors;
  EXPECT_TRUE(curl.output == expected) << "curl got other bytes";
}

INSTANTIATE_TEST_SUITE_P(Cases, ChunkedTest,
                         ::testing::Values(ChunkedCase{"LighttpdOneMiBAndOneByte", false, 1048577},
                                           ChunkedCase{"LighttpdTenMiB", false, 10 << 20},
                                           ChunkedCase{"NginxOneMiBAndOneByte", true, 1048577},
                                           ChunkedCase{"NginxTenMiB", true, 10 << 20}),
                         [](const auto& info) { return std::string(info.param.name); });

class PostTest : public DynamicTest, public ::testing::WithParamInterface<std::string> {};

// The script answers with the SHA-256 and the length of the body it was handed; the access log
// shows how the client announced it.
TEST_P(PostTest, BodyArrivesIntactWithItsLength) {
  const SiteFile& file = SiteFileNamed(GetParam());
  const fs::path posted = Dir() / "www" / file.name;
  const std::string size = std::to_string(file.bytes.size());
  const std::string answer = Sha256OfFile(posted) + " " + size + "\n";

  const std::string target = "/sha256.sh?" + file.name;
  const ChildResult run =
      RunSendaro({"-url", lighttpd_->Url(target), "-post", posted.string(), "-text"}, Dir());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, answer);

  const ChildResult curl = RunCurl(
      {"--data-binary", "@" + posted.string(), lighttpd_->Url("/sha256.sh?curl-" + file.name)});
  EXPECT_EQ(curl.exitCode, 0) << curl.errors;
  EXPECT_EQ(curl.output, answer);

  EXPECT_EQ(AccessLogLine(target), "POST " + target + " HTTP/1.0 length=" + size + " coding=-");
}

INSTANTIATE_TEST_SUITE_P(Files, PostTest, ::testing::Values("empty.bin", "k1.bin", "big.bin"),
                         [](const auto& info) {
                           return info.param.substr(0, info.param.find('.'));
                         });

}  // namespace
}  // namespace sendaro::testing
