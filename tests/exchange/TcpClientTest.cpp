#include "platform/TcpClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "platform/Socket.h"
#include "tests/support/ScriptedServer.h"

namespace sendaro {
namespace {

using testing::After;
using testing::ConnectionScript;
using testing::Reply;
using testing::ScriptedServer;

// Attempts to see a change that the peer makes asynchronously; each graceful check waits at
// most 1 ms, so this bounds a test at a few seconds without ever sleeping.
constexpr int kAttempts = 5000;

int ClosedPort() {
  const Listener listener = Listener::Loopback(0);
  return listener.Port();
}

TEST(TcpClientTest, ConnectFailuresRaiseSocketError) {
  struct Case {
    const char* name;
    std::string host;
    int port;
  };
  const Case kCases[] = {
      {"nothing listens on the port", "127.0.0.1", ClosedPort()},
      {"port 0", "127.0.0.1", 0},
      // An empty name fails in the resolver without asking any name server.
      {"name that does not resolve", "", 80},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TcpClient client;
    client.Host = c.host;
    client.Port = c.port;
    try {
      client.Connect();
      ADD_FAILURE() << "connected";
    } catch (const SocketError& error) {
      const std::string where = c.host + ":" + std::to_string(c.port);
      EXPECT_NE(std::string(error.what()).find(where), std::string::npos) << error.what();
    }
    EXPECT_FALSE(client.Connected());
  }
}

TEST(TcpClientTest, ReadsWithoutConnectionRaiseConnClosed) {
  TcpClient client;
  MemoryBuffer stream;
  EXPECT_THROW(client.ReadLn(100), ConnClosedGracefully);
  EXPECT_THROW(client.ReadStream(stream, 1), ConnClosedGracefully);
  EXPECT_THROW(client.ReadToClose(stream), ConnClosedGracefully);
  EXPECT_THROW(client.Write("x"), SocketError);
}

TEST(TcpClientTest, ExchangeWithCannedReply) {
  ScriptedServer server(
      {ConnectionScript{{Reply{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Bare: lf\n\r\nhello"
                               "HTTP/1.1 204 No Content\r\n\r\n"}}}});
  TcpClient client;
  client.Host = "LocalHost";  // any case means the loopback address
  client.Port = server.Port();
  client.Connect();
  EXPECT_TRUE(client.Connected());

  client.Write("GET /a HTTP/1.1\r\n");
  client.WriteLine("Host: 127.0.0.1");
  client.WriteLine("");
  EXPECT_EQ(client.ReadLn(1000), "HTTP/1.1 200 OK");
  EXPECT_EQ(client.ReadLn(1000), "Content-Length: 5");
  EXPECT_EQ(client.ReadLn(1000), "X-Bare: lf");
  EXPECT_EQ(client.ReadLn(1000), "");
  MemoryBuffer body("previous content, longer");
  client.ReadStream(body, 5);
  EXPECT_EQ(body.View(), "hello");
  EXPECT_EQ(client.ReadLn(1000), "HTTP/1.1 204 No Content");

  EXPECT_EQ(server.AllRequests(),
            std::vector<std::string>{"GET /a HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"});
}

TEST(TcpClientTest, WriteStreamSendsEveryPiece) {
  // Not a multiple of the send piece, so the last piece is a short one.
  std::string body;
  for (int i = 0; body.size() < 5 * TcpClient::kSendPieceBytes + 123; ++i) {
    body += std::to_string(i) + ' ';
  }
  const std::string head =
      "POST /upload HTTP/1.1\r\ncontent-LENGTH: " + std::to_string(body.size()) + "\r\n\r\n";
  ScriptedServer server({ConnectionScript{{Reply{"HTTP/1.1 200 OK\r\n\r\n"}}}});
  TcpClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  client.Write(head);
  MemoryBuffer stream(body);
  stream.SetPosition(17);  // rewound before sending
  client.WriteStream(stream);
  EXPECT_EQ(stream.Position(), body.size());
  EXPECT_EQ(client.ReadLn(100), "HTTP/1.1 200 OK");
  EXPECT_EQ(server.AllRequests(), std::vector<std::string>{head + body});
}

TEST(TcpClientTest, ReadToCloseTakesTheReplyUpToTheClose) {
  ScriptedServer server(
      {ConnectionScript{{Reply{"HTTP/1.0 200 OK\r\n\r\nall of the rest", After::Close}}}});
  TcpClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  client.WriteLine("GET / HTTP/1.0\r\n");
  EXPECT_EQ(client.ReadLn(100), "HTTP/1.0 200 OK");
  EXPECT_EQ(client.ReadLn(100), "");
  MemoryBuffer body;
  client.ReadToClose(body);
  EXPECT_EQ(body.View(), "all of the rest");
  EXPECT_FALSE(client.Connected());
}

// The peer side of these tests is a socket accepted right here, so the test decides exactly
// when it sends, closes or resets.
class PeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client_.Host = "127.0.0.1";
    client_.Port = listener_.Port();
    client_.Connect();
    peer_ = listener_.Accept();
  }

  Listener listener_ = Listener::Loopback(0);
  TcpClient client_;
  Socket peer_;
};

using TcpClientPeerTest = PeerTest;

TEST_F(TcpClientPeerTest, GracefulCheckKeepsBytesThatArrived) {
  peer_.SendAll("first\r\nsecond\r\n");
  EXPECT_EQ(client_.ReadLn(100), "first");
  for (int i = 0; i < 20; ++i) {
    client_.CheckForGracefulDisconnect();
  }
  EXPECT_TRUE(client_.Connected());
  EXPECT_EQ(client_.ReadLn(100), "second");
}

TEST_F(TcpClientPeerTest, GracefulCheckClosesAfterPeerCloseButKeepsLastBytes) {
  peer_.SendAll("last words\r\n");
  peer_.ShutdownSend();
  // The first checks take in the line, a later one sees the close; the line must survive.
  for (int i = 0; i < 20; ++i) {
    client_.CheckForGracefulDisconnect();
  }
  EXPECT_EQ(client_.ReadLn(100), "last words");
  EXPECT_THROW(client_.ReadLn(100), ConnClosedGracefully);
  EXPECT_FALSE(client_.Connected());
}

TEST_F(TcpClientPeerTest, GracefulCheckNoticesPeerClose) {
  peer_.ShutdownSend();
  peer_.Close();
  for (int i = 0; i < kAttempts && client_.Connected(); ++i) {
    client_.CheckForGracefulDisconnect();
  }
  EXPECT_FALSE(client_.Connected());
  EXPECT_THROW(client_.ReadLn(100), ConnClosedGracefully);
}

TEST_F(TcpClientPeerTest, GracefulCheckRaisesOnReset) {
  peer_.CloseWithReset();
  bool raised = false;
  for (int i = 0; i < kAttempts && !raised; ++i) {
    try {
      client_.CheckForGracefulDisconnect();
    } catch (const SocketError&) {
      raised = true;
    }
  }
  EXPECT_TRUE(raised);
  EXPECT_FALSE(client_.Connected());
}

TEST_F(TcpClientPeerTest, SendToResetPeerRaisesInsteadOfKillingTheProcess) {
  peer_.CloseWithReset();
  const std::string piece(1024, 'p');
  bool raised = false;
  // The first sends may still be accepted before the reset is seen.
  for (int i = 0; i < 1000 && !raised; ++i) {
    try {
      client_.Write(piece);
    } catch (const SocketError&) {
      raised = true;
    }
  }
  EXPECT_TRUE(raised);
  EXPECT_FALSE(client_.Connected());
}

TEST_F(TcpClientPeerTest, ReconnectStartsClean) {
  peer_.SendAll("stale\r\n");
  client_.CheckForGracefulDisconnect();
  client_.Connect();
  Socket second = listener_.Accept();
  second.SendAll("fresh\r\n");
  EXPECT_EQ(client_.ReadLn(100), "fresh");
}

TEST(ScriptedServerTest, RecordsRequestsPerConnection) {
  const std::string first = "GET /1 HTTP/1.1\r\nHost: a\r\n\r\n";
  const std::string second = "POST /2 HTTP/1.1\r\nContent-Length: 4\r\n\r\nbody";
  ScriptedServer server({
      ConnectionScript{{Reply{"HTTP/1.1 200 OK\r\n\r\n"}, Reply{"HTTP/1.1 201 Created\r\n\r\n"}}},
      ConnectionScript{{Reply{"HTTP/1.1 202 Accepted\r\n\r\n", After::Close}}},
  });
  TcpClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();

  client.Connect();
  // Both requests in one send: the server must split them by the blank line and the length.
  client.Write(first + second);
  EXPECT_EQ(client.ReadLn(100), "HTTP/1.1 200 OK");
  EXPECT_EQ(client.ReadLn(100), "");
  EXPECT_EQ(client.ReadLn(100), "HTTP/1.1 201 Created");
  EXPECT_EQ(client.ReadLn(100), "");
  client.Write("left over");
  client.Disconnect();
  ASSERT_TRUE(server.WaitForConnectionsEnded(1));

  client.Connect();
  client.Write("GET /3 HTTP/1.1\r\n\r\n");
  EXPECT_EQ(client.ReadLn(100), "HTTP/1.1 202 Accepted");

  // Past the script: accepted, recorded empty, closed at once.
  client.Connect();
  EXPECT_THROW(client.ReadLn(100), ConnClosedGracefully);
  ASSERT_TRUE(server.WaitForConnectionsEnded(3));

  const std::vector<std::vector<std::string>> expected = {
      {first, second, "left over"},
      {"GET /3 HTTP/1.1\r\n\r\n"},
      {},
  };
  EXPECT_EQ(server.Requests(), expected);
  EXPECT_EQ(server.Connections(), 3U);
}

TEST(ScriptedServerTest, RepliesPointBackAtTheServer) {
  ScriptedServer server({ConnectionScript{
      {Reply{"HTTP/1.1 301 Moved\r\nLocation: http://127.0.0.1:{PORT}/next {PORT}\r\n\r\n"}}}});
  TcpClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  client.WriteLine("GET / HTTP/1.1\r\n");
  EXPECT_EQ(client.ReadLn(100), "HTTP/1.1 301 Moved");
  EXPECT_EQ(client.ReadLn(100),
            "Location: " + server.Url("/next ") + std::to_string(server.Port()));
}

TEST(ScriptedServerTest, ClientClosingMidRequestIsRecorded) {
  ScriptedServer server({ConnectionScript{{Reply{"HTTP/1.1 200 OK\r\n\r\n"}}}});
  TcpClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  client.Write("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
  client.Disconnect();
  ASSERT_TRUE(server.WaitForConnectionsEnded(1));
  EXPECT_EQ(server.AllRequests(),
            std::vector<std::string>{"POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc"});
}

TEST(ScriptedServerTest, DestructorReturnsWhileClientsHang) {
  TcpClient idle;
  TcpClient midRequest;
  {
    ScriptedServer server({ConnectionScript{{Reply{"HTTP/1.1 200 OK\r\n\r\n"}}}});
    idle.Host = midRequest.Host = "127.0.0.1";
    idle.Port = midRequest.Port = server.Port();
    idle.Connect();        // served, waiting for a request that never comes
    midRequest.Connect();  // queued behind it
    midRequest.Write("GET / HTTP/1.1\r\n");
  }
  // Getting here at all is the test. The server must also have let go of the connection:
  // closed if it was being served, reset if it was still queued when the listener stopped.
  EXPECT_THROW(idle.ReadLn(100), Error);
}

}  // namespace
}  // namespace sendaro
