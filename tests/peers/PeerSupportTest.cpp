// What the peer tests report when a peer is missing or does not start: never a silent pass.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "tests/peers/Peers.h"

namespace sendaro::testing {
namespace {

using ::testing::HasSubstr;

TEST(PeerSupport, MissingProgramNamesItsPackage) {
  const PeerProgram absent{"absent", "sendaro-absent-package", "/nonexistent/absent", {}, {}};
  try {
    CheckInstalled(absent);
    FAIL() << "no error for a missing program";
  } catch (const std::runtime_error& error) {
    EXPECT_THAT(error.what(), HasSubstr("Debian package sendaro-absent-package"));
  }
}

TEST_F(PeerTest, ServerThatDoesNotStartFailsWithItsLog) {
  PeerProgram broken = kNginx;
  broken.serverArguments = {"-c", "{CONF}.missing", "-e", "stderr"};
  try {
    const PeerServer server(broken, Dir());
    FAIL() << "no error for a server that ended at once";
  } catch (const std::runtime_error& error) {
    EXPECT_THAT(error.what(), HasSubstr("nginx did not start"));
    EXPECT_THAT(error.what(), HasSubstr("nginx.conf.missing"));  // nginx's own complaint
  }
}

}  // namespace
}  // namespace sendaro::testing
