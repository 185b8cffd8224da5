#include "http/HttpClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/HttpErrors.h"
#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "tests/support/ScriptedServer.h"

namespace sendaro::testing {
namespace {

const std::string kDefaultHeaders =
    "Accept: text/html, */*\r\n"
    "User-Agent: Mozilla/3.0 (compatible; HTTP client library)\r\n";

std::string Ok(const std::string& body, const std::string& headers = "") {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + headers +
         "\r\n" + body;
}

std::string Found(const std::string& location) {
  return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 5\r\n\r\nmoved";
}

TEST(HttpClientExchange, GetWritesExactRequestBytes) {
  ScriptedServer server({{{{Ok("hi")}}}});
  HttpClient client;
  MemoryBuffer reply;
  client.Request.Username = "user";
  client.Request.Referer = "http://ref/";
  client.Get(server.Url("/a/b.html?q=1#frag"), &reply);

  EXPECT_EQ(reply.View(), "hi");
  EXPECT_EQ(client.ResponseCode(), 200);
  EXPECT_EQ(client.ResponseText(), "200 OK");
  EXPECT_EQ(server.AllRequests(),
            std::vector<std::string>{"GET /a/b.html?q=1 HTTP/1.1\r\n"
                                     "Host: 127.0.0.1\r\n"
                                     "Accept: text/html, */*\r\n"
                                     "Referer: http://ref/\r\n"
                                     "User-Agent: Mozilla/3.0 (compatible; HTTP client library)\r\n"
                                     "Authorization: Basic dXNlcjo=\r\n"
                                     "\r\n"});
}

// The absolute target keeps the port the URL named (a proxy would otherwise fetch from port 80);
// port 80 itself is left out, and a URL without a host keeps the last host and port.
TEST(HttpClientExchange, ProxyGetsAbsoluteTargetWithTheOriginsPort) {
  ScriptedServer proxy({{{{Ok("1")}, {Ok("2")}, {Ok("3")}, {Ok("4")}}}});
  HttpClient client;
  MemoryBuffer reply;
  client.Request.ProxyServer = "127.0.0.1";
  client.Request.ProxyPort = proxy.Port();
  client.Request.ProxyUsername = "pu";
  client.Request.ProxyPassword = "pp";
  for (const char* url : {"http://origin:82/x", "/y", "http://origin:80/z", "http://other/w"}) {
    reply.Clear();
    client.Get(url, &reply);
  }

  EXPECT_EQ(reply.View(), "4");
  const auto proxied = [](const std::string& target, const std::string& host) {
    return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + kDefaultHeaders +
           "Proxy-Authorization: Basic cHU6cHA=\r\n\r\n";
  };
  const std::vector<std::string> expected{
      proxied("http://origin:82/x", "origin"), proxied("http://origin:82/y", "origin"),
      proxied("http://origin/z", "origin"), proxied("http://other/w", "other")};
  EXPECT_EQ(proxy.AllRequests(), expected);
}

TEST(HttpClientExchange, PostGoesOnAFreshConnectionAsHttp10) {
  ScriptedServer server({{{{Ok("first")}}}, {{{Ok("posted")}}}, {{{Ok("empty")}}}});
  HttpClient client;
  MemoryBuffer reply;
  client.Get(server.Url("/g"), &reply);
  MemoryBuffer body(std::string("a\0b\r\n", 5));
  reply.Clear();
  client.Post(server.Url("/p"), body, &reply);
  EXPECT_EQ(reply.View(), "posted");
  EXPECT_EQ(client.ProtocolVersion, HttpVersion::pv1_1);
  MemoryBuffer empty;
  client.Post(server.Url("/e"), empty, &reply);

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3U);
  EXPECT_EQ(requests[1],
            std::vector<std::string>{"POST /p HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kDefaultHeaders +
                                     "Content-Length: 5\r\n\r\n" + std::string("a\0b\r\n", 5)});
  // An empty body is announced too: servers refuse a POST without a length (411).
  EXPECT_EQ(requests[2], std::vector<std::string>{"POST /e HTTP/1.0\r\nHost: 127.0.0.1\r\n" +
                                                  kDefaultHeaders + "Content-Length: 0\r\n\r\n"});
}

TEST(HttpClientExchange, FailedPostLeavesHttp10) {
  ScriptedServer server({{{{"HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"}}}});
  HttpClient client;
  MemoryBuffer body("x");
  EXPECT_THROW(client.Post(server.Url("/p"), body, nullptr), ProtocolReplyError);
  EXPECT_EQ(client.ProtocolVersion, HttpVersion::pv1_0);
}

// Whether the connection survives a reply: the second GET either reuses it or opens another.
TEST(HttpClientExchange, KeepsOrClosesTheConnection) {
  struct Case {
    const char* name;
    std::string firstReply;
    After after;
    std::string secondUrlHost;
    size_t expectedConnections;
  };
  const Case kCases[] = {
      {"HTTP/1.1 kept", Ok("one"), After::Keep, "localhost", 1},
      {"host compared without case", Ok("one"), After::Keep, "LocalHost", 1},
      {"Connection: close", Ok("one", "Connection:  Close \r\n"), After::Keep, "localhost", 2},
      {"HTTP/1.0 reply", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\none", After::Keep,
       "localhost", 2},
      {"refused reply that closes", "HTTP/1.1 503 Busy\r\nConnection: close\r\n\r\none",
       After::Close, "localhost", 2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<ConnectionScript> script;
    if (c.expectedConnections == 1) {
      script = {{{{c.firstReply, c.after}, {Ok("two")}}}};
    } else {
      script = {{{{c.firstReply, c.after}}}, {{{Ok("two")}}}};
    }
    ScriptedServer server(script);
    HttpClient client;
    MemoryBuffer reply;
    const std::string first = "http://localhost:" + std::to_string(server.Port()) + "/1";
    if (c.firstReply.find(" 503 ") != std::string::npos) {
      EXPECT_THROW(client.Get(first, &reply), ProtocolReplyError);
    } else {
      client.Get(first, &reply);
    }
    EXPECT_EQ(reply.View(), "one");
    reply.Clear();  // bodies are written at the buffer's position
    client.Get("http://" + c.secondUrlHost + ":" + std::to_string(server.Port()) + "/2", &reply);
    EXPECT_EQ(reply.View(), "two");
    EXPECT_EQ(server.Connections(), c.expectedConnections);
    EXPECT_EQ(server.AllRequests().size(), 2U);
  }
}

// A broken reply must not leave its remains on the connection for the next call to read as
// its own reply: the next call starts on a fresh connection and gets the real second reply.
TEST(HttpClientExchange, NextCallAfterABrokenReplyStartsClean) {
  struct Case {
    const char* name;
    std::string reply;
    After after;
  };
  const std::string smuggled = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nevil";
  const Case kCases[] = {
      {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n" + smuggled,
       After::Keep},
      {"bad status code", "HTTP/1.1 2x0 OK\r\n\r\n" + smuggled, After::Keep},
      {"header line over the limit",
       "HTTP/1.1 200 OK\r\nX: " + std::string(size_t{1} << 20 | 1, 'a') + "\r\n\r\n" + smuggled,
       After::Keep},
      {"reset inside a chunked body",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", After::Reset},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server({{{{c.reply, c.after}}}, {{{Ok("next")}}}});
    HttpClient client;
    client.Request.ProxyServer = "127.0.0.1";  // a proxy connection is never dropped for a host
    client.Request.ProxyPort = server.Port();
    MemoryBuffer reply;
    EXPECT_ANY_THROW(client.Get("http://origin/1", &reply));
    reply.Clear();
    client.Get("http://origin/2", &reply);
    EXPECT_EQ(reply.View(), "next");
    EXPECT_EQ(server.Connections(), 2U);
  }
}

TEST(HttpClientExchange, BodyWithoutAReplyBufferIsStillConsumed) {
  ScriptedServer server({{{{Ok("unwanted")}, {Ok("next")}}}});
  HttpClient client;
  client.Get(server.Url("/1"), nullptr);
  MemoryBuffer reply;
  client.Get(server.Url("/2"), &reply);
  EXPECT_EQ(reply.View(), "next");
  EXPECT_EQ(server.Connections(), 1U);
}

TEST(HttpClientExchange, HttpVersion10RequestClosesAfterEachReply) {
  ScriptedServer server({{{{Ok("one")}}}, {{{Ok("two")}}}});
  HttpClient client;
  client.ProtocolVersion = HttpVersion::pv1_0;
  MemoryBuffer reply;
  client.Get(server.Url("/1"), &reply);
  client.Get(server.Url("/2"), &reply);
  EXPECT_EQ(server.Connections(), 2U);
  EXPECT_EQ(server.AllRequests()[1].substr(0, 19), "GET /2 HTTP/1.0\r\nHo");
}

// Every way a body can be delimited, each followed by a second request on the same connection
// that shows nothing of the first reply was left behind (or that the connection was dropped).
TEST(HttpClientExchange, ReadsEveryBodyFraming) {
  struct Case {
    const char* name;
    std::string reply;
    After after;
    std::string expectedBody;
  };
  const Case kCases[] = {
      {"content length", Ok("hello"), After::Keep, "hello"},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
       After::Keep, "hello"},
      {"chunked with extensions and trailers",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, CHUNKED\r\n\r\n"
       "3;name=value\r\nabc\r\n2 ; x\r\nde\r\n0;last\r\nX-Trailer: 1\r\nX-Other: 2\r\n\r\n",
       After::Keep, "abcde"},
      {"chunked wins over content length",
       "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n"
       "2\r\nok\r\n0\r\n\r\n",
       After::Keep, "ok"},
      {"content length zero", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", After::Keep, ""},
      {"no content", "HTTP/1.1 204 No Content\r\n\r\n", After::Keep, ""},
      {"until close", "HTTP/1.1 200 OK\r\n\r\nto the end", After::Close, "to the end"},
      {"non-numeric length until close", "HTTP/1.1 200 OK\r\nContent-Length: 3x\r\n\r\nabcdef",
       After::Close, "abcdef"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<ConnectionScript> script = {{{{c.reply, c.after}}}};
    if (c.after == After::Keep) {
      script[0].replies.push_back({Ok("next")});
    } else {
      script.push_back({{{Ok("next")}}});
    }
    ScriptedServer server(script);
    HttpClient client;
    MemoryBuffer reply("stale bytes that must go");
    client.Get(server.Url("/1"), &reply);
    EXPECT_EQ(reply.View(), c.expectedBody);
    reply.Clear();
    client.Get(server.Url("/2"), &reply);
    EXPECT_EQ(reply.View(), "next");
  }
}

TEST(HttpClientExchange, RefusedRepliesFailAfterTheBody) {
  struct Case {
    const char* name;
    std::string reply;
    int code;
    std::string body;
    std::string location;
  };
  const Case kCases[] = {
      {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", 404, "gone", ""},
      {"not modified read until close", "HTTP/1.1 304 Not Modified\r\n\r\nrest", 304, "rest", ""},
      {"redirect not followed", Found("http://elsewhere/x"), 302, "moved", "http://elsewhere/x"},
      {"success with a location",
       "HTTP/1.1 200 OK\r\nLocation: /new\r\nContent-Length: 2\r\n\r\nok", 200, "ok", "/new"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server({{{{c.reply, After::Close}}}});
    HttpClient client;
    MemoryBuffer reply;
    try {
      client.Get(server.Url("/"), &reply);
      ADD_FAILURE() << "no exception";
    } catch (const ProtocolReplyError& e) {
      EXPECT_EQ(e.Code(), c.code);
      EXPECT_EQ(e.what(), client.ResponseText());
    }
    EXPECT_EQ(reply.View(), c.body);
    EXPECT_EQ(client.Response().Location, c.location);
    EXPECT_EQ(client.RedirectCount(), 1) << "a failed exchange stays counted";
  }
}

TEST(HttpClientExchange, FollowsFourteenRedirectsAndAcceptsTheFifteenth) {
  std::vector<Reply> replies;
  for (int i = 1; i <= 15; ++i) {
    const std::string body = std::to_string(i);
    replies.push_back({"HTTP/1.1 301 Moved\r\nLocation: http://127.0.0.1:{PORT}/" +
                       std::to_string(i + 1) +
                       "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body});
  }
  ScriptedServer server({{replies}});
  HttpClient client;
  client.HandleRedirects = true;
  MemoryBuffer reply;
  client.Get(server.Url("/1"), &reply);

  const auto requests = server.AllRequests();
  ASSERT_EQ(requests.size(), 15U);
  EXPECT_EQ(requests[14].substr(0, 20), "GET /15 HTTP/1.1\r\nHo");
  EXPECT_EQ(server.Connections(), 1U);
  EXPECT_EQ(reply.View(), "15");
  EXPECT_EQ(client.Response().Location, server.Url("/16"));
  EXPECT_EQ(client.RedirectCount(), 0);
}

TEST(HttpClientExchange, RedirectFromHttp10ReplyReconnects) {
  ScriptedServer server({{{{"HTTP/1.0 302 Found\r\nLocation: "
                            "http://127.0.0.1:{PORT}/2\r\nContent-Length: 0\r\n\r\n"}}},
                         {{{Ok("there")}}}});
  HttpClient client;
  client.HandleRedirects = true;
  MemoryBuffer reply;
  client.Get(server.Url("/1"), &reply);
  EXPECT_EQ(reply.View(), "there");
  EXPECT_EQ(server.Connections(), 2U);
}

TEST(HttpClientExchange, OnRedirectChangesTheTarget) {
  ScriptedServer server({{{{Found("/ignored")}, {Ok("landed")}}}});
  HttpClient client;
  client.HandleRedirects = true;
  std::vector<int> counts;
  client.OnRedirect = [&](HttpClient&, std::string& dest, int& numRedirect, bool& handled) {
    counts.push_back(numRedirect);
    dest = server.Url("/changed");
    numRedirect = 99;
    handled = true;
  };
  MemoryBuffer reply;
  client.Get(server.Url("/start"), &reply);

  EXPECT_EQ(reply.View(), "landed");
  EXPECT_EQ(counts, std::vector<int>{1});
  EXPECT_EQ(server.AllRequests().at(1).substr(0, 22), "GET /changed HTTP/1.1\r");
}

TEST(HttpClientExchange, OnRedirectAcceptsWithoutFollowing) {
  ScriptedServer server({{{{Found("/old")}}}});
  HttpClient client;
  client.OnRedirect = [](HttpClient&, std::string& dest, int&, bool& handled) {
    dest = "/rewritten";
    handled = true;
  };
  MemoryBuffer reply;
  client.Get(server.Url("/"), &reply);
  EXPECT_EQ(client.Response().Location, "/rewritten");
  EXPECT_EQ(reply.View(), "moved");
  EXPECT_EQ(server.AllRequests().size(), 1U);
}

// Replies that must end in an exception of the right kind, never in a hang or a success.
TEST(HttpClientExchange, BrokenRepliesFail) {
  const std::string longLine(size_t{1} << 20 | 1, 'a');
  std::string hugeBlock = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 90; ++i) {
    hugeBlock += "X-Filler: " + std::string(100000, 'b') + "\r\n";
  }
  struct Case {
    const char* name;
    std::string reply;
    After after;
    std::string expectedType;
    std::string partialBody;
  };
  const Case kCases[] = {
      {"status code not a number", "HTTP/1.1 abc OK\r\n\r\n", After::Close, "ConvertError", ""},
      {"close before the status line", "", After::Close, "ConnClosedGracefully", ""},
      {"close mid-header", "HTTP/1.1 200 OK\r\nContent-Le", After::Close, "ConnClosedGracefully",
       ""},
      {"close mid-body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", After::Close,
       "ConnClosedGracefully", "abc"},
      {"reset mid-body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", After::Reset,
       "SocketError", ""},
      {"close mid-chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nabc",
       After::Close, "ConnClosedGracefully", "abc"},
      {"chunk size not hexadecimal",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n", After::Keep,
       "MalformedReplyError", ""},
      {"chunk longer than its size",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n", After::Keep,
       "MalformedReplyError", "ab"},
      {"negative content length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nabc", After::Keep,
       "MalformedReplyError", ""},
      {"content range not a number",
       "HTTP/1.1 206 Partial\r\nContent-Range: bytes */500\r\nContent-Length: 1\r\n\r\na",
       After::Keep, "ConvertError", ""},
      {"status line over the limit", "HTTP/1.1 200 " + longLine + "\r\n\r\n", After::Keep,
       "ReadLimitError", ""},
      {"header line over the limit", "HTTP/1.1 200 OK\r\nX: " + longLine + "\r\n\r\n", After::Keep,
       "ReadLimitError", ""},
      {"header block over the limit", hugeBlock + "\r\n", After::Keep, "ReadLimitError", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server({{{{c.reply, c.after}}}});
    HttpClient client;
    MemoryBuffer reply;
    std::string type = "none";
    try {
      client.Get(server.Url("/"), &reply);
    } catch (const Error& e) {
      type = e.TypeName();
    }
    EXPECT_EQ(type, c.expectedType);
    if (c.expectedType != "SocketError") {
      EXPECT_EQ(reply.View(), c.partialBody);
    }
  }
}

TEST(HttpClientExchange, ConnectFailuresRaiseSocketError) {
  HttpClient client;
  MemoryBuffer reply;
  Listener closed = Listener::Loopback();
  const std::string url = "http://127.0.0.1:" + std::to_string(closed.Port()) + "/";
  closed = Listener();
  EXPECT_THROW(client.Get(url, &reply), SocketError);
  // A proxy without a port goes to port 0.
  client.Request.ProxyServer = "127.0.0.1";
  EXPECT_THROW(client.Get("http://origin/", &reply), SocketError);
}

TEST(HttpClientExchange, LineBreaksInRequestTextAreRefused) {
  ScriptedServer server({{{{Ok("never")}}}});
  HttpClient client;
  client.Request.Referer = "http://ref/\r\nX-Injected: 1";
  MemoryBuffer reply;
  EXPECT_THROW(client.Get(server.Url("/"), &reply), InvalidRequestError);
  client.Request.Referer.clear();
  EXPECT_THROW(client.Get(server.Url("/a\nb"), &reply), InvalidRequestError);
  EXPECT_EQ(server.AllRequests().size(), 0U);
}

TEST(HttpClientExchange, ChunkedReplyPostsStatus) {
  ScriptedServer server(
      {{{{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n"}}}});
  HttpClient client;
  std::vector<std::string> statuses;
  client.OnStatus = [&](std::string_view s) { statuses.emplace_back(s); };
  MemoryBuffer reply;
  client.Get(server.Url("/"), &reply);
  EXPECT_EQ(statuses, std::vector<std::string>{"Chunk Started"});
}

}  // namespace
}  // namespace sendaro::testing
