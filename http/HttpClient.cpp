#include "http/HttpClient.h"

#include <string_view>

#include "http/HttpErrors.h"
#include "http/Limits.h"
#include "http/ReplyReader.h"
#include "http/Url.h"
#include "platform/AsciiText.h"
#include "platform/IntegerText.h"

namespace sendaro {

namespace {

// Without blanks and control characters at either end.
std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
    text.remove_suffix(1);
  }
  return text;
}

const char* MethodWord(HttpMethod method) {
  switch (method) {
    case HttpMethod::Head:
      return "HEAD";
    case HttpMethod::Get:
      return "GET";
    case HttpMethod::Post:
      return "POST";
  }
  return "GET";
}

const char* VersionText(HttpVersion version) {
  return version == HttpVersion::pv1_0 ? "1.0" : "1.1";
}

// Appends one request line with its CR LF. A line break inside would end the line early and
// turn the rest of the caller's text into lines of its own.
void AppendLine(std::string& head, std::string_view line) {
  if (line.find_first_of("\r\n") != std::string_view::npos) {
    throw InvalidRequestError("line break inside the request line or a header: '" +
                              std::string(line.substr(0, 64)) + "'");
  }
  head.append(line);
  head.append("\r\n");
}

}  // namespace

HttpClient::HttpClient() {
  Port = 80;
}

void HttpClient::Get(const std::string& url, MemoryBuffer* reply) {
  ExecuteRequest(HttpMethod::Get, url, nullptr, reply);
}

void HttpClient::Post(const std::string& url, MemoryBuffer& source, MemoryBuffer* reply) {
  Disconnect();
  const HttpVersion saved = ProtocolVersion;
  ProtocolVersion = HttpVersion::pv1_0;
  ExecuteRequest(HttpMethod::Post, url, &source, reply);
  ProtocolVersion = saved;
}

void HttpClient::ExecuteRequest(HttpMethod method, const std::string& url, MemoryBuffer* source,
                                MemoryBuffer* reply) {
  ++redirectCount_;

  const UrlParts parts = SplitUrl(url);
  std::string target = parts.Path + parts.Document;
  const int port = ParseIntOr(parts.Port, -1);
  if (SelectTarget(parts.Protocol, parts.Host, port)) {
    // A proxy needs the absolute form of the target (RFC 9112 section 3.2.2).
    // It keeps the origin's port, or the proxy would fetch from port 80.
    const std::string& protocol = parts.Protocol.empty() ? urlProtocol_ : parts.Protocol;
    const bool namedPort = urlPort_ != -1 && urlPort_ != 80;
    target =
        protocol + "://" + urlHost_ + (namedPort ? ":" + std::to_string(urlPort_) : "") + target;
  }

  try {
    Exchange(method, target, source, reply);
  } catch (const ProtocolReplyError&) {
    throw;  // raised only after a whole reply; the connection was settled before
  } catch (...) {
    // Whatever is left of a broken reply would pass for the next reply on this connection.
    Disconnect();
    throw;
  }
}

void HttpClient::Exchange(HttpMethod method, const std::string& target, MemoryBuffer* source,
                          MemoryBuffer* reply) {
  CheckForDisconnect();
  if (!Connected()) {
    Connect();
  }

  workList_.Clear();
  const bool isPost = method == HttpMethod::Post && source != nullptr;
  Request.ContentLength = isPost ? static_cast<int64_t>(source->Size()) : 0;
  Request.ComposeRequestHeaders(workList_, isPost);

  // The head goes out in one send; the bytes are those of one line write after another.
  std::string head;
  AppendLine(head, std::string(MethodWord(method)) + " " + target + " HTTP/" +
                       VersionText(ProtocolVersion));
  AppendLine(head, "Host: " + urlHost_);
  for (size_t i = 0; i < workList_.Count(); ++i) {
    AppendLine(head, workList_.Line(i));
  }
  head.append("\r\n");
  Write(head);
  if (isPost) {
    WriteStream(*source);
  }

  const StatusLine status = ParseStatusLine(ReadLn(kMaxLineBytes));
  responseText_ = status.ResponseText;
  responseCode_ = status.ResponseCode;

  ReadHeaderBlock(Reader(), workList_);
  // Parsing folds an absent and a non-numeric length into 0; only a real "0" means no body.
  const bool contentLengthIsZero =
      workList_.Has("Content-Length") && ParseInt64Or(workList_.Value("Content-Length"), -1) == 0;
  response_.ParseResponseHeaders(workList_);

  const int replyClass = responseCode_ / 100;
  if ((replyClass != 3 || responseCode_ == 304) && response_.Location.empty()) {
    ReadResponseBody(method, contentLengthIsZero, reply);
    if (replyClass != 2) {
      Refuse(status.IsHttp10);
    }
  } else {
    ReadResponseBody(method, contentLengthIsZero, reply);
    std::string dest = response_.Location;
    if (HandleRedirects && redirectCount_ < RedirectMaximum) {
      if (reply != nullptr) {
        reply->SetPosition(0);
      }
      if (AskRedirect(dest, redirectCount_)) {
        if (ProtocolVersion == HttpVersion::pv1_0 || status.IsHttp10) {
          Disconnect();
        }
        ExecuteRequest(method, dest, source, reply);
      }
    } else if (AskRedirect(dest, redirectCount_)) {
      response_.Location = dest;
    } else {
      Refuse(status.IsHttp10);
    }
  }
  SettleConnection(status.IsHttp10);
  redirectCount_ = 0;
}

void HttpClient::Refuse(bool replyIsHttp10) {
  // The reply was read whole, so the connection is as good as after a success: keep or close
  // it by the same rule, or a server that closed after an error would fail the next exchange.
  SettleConnection(replyIsHttp10);
  throw ProtocolReplyError(responseCode_, responseText_);
}

bool HttpClient::AskRedirect(std::string& dest, int count) {
  bool handled = HandleRedirects;
  if (OnRedirect) {
    int numRedirect = count;
    OnRedirect(*this, dest, numRedirect, handled);
  }
  return handled;
}

bool HttpClient::SelectTarget(const std::string& protocol, const std::string& host, int port) {
  if (!Request.ProxyServer.empty()) {
    Host = Request.ProxyServer;
    Port = Request.ProxyPort;
    if (!host.empty()) {
      urlHost_ = host;
      urlPort_ = port;
    }
    if (!protocol.empty()) {
      urlProtocol_ = protocol;
    }
    return true;
  }
  if (!host.empty()) {
    // A URL without a port (-1) never matches the open connection's port.
    if ((!EqualsIgnoringAsciiCase(Host, host) || port != Port) && Connected()) {
      Disconnect();
    }
    Host = host;
    urlHost_ = host;
    urlPort_ = port;
    if (!protocol.empty()) {
      urlProtocol_ = protocol;
    }
  } else {
    urlHost_ = Host;
    urlPort_ = -1;
  }
  Port = port == -1 ? 80 : port;
  return false;
}

void HttpClient::ReadResponseBody(HttpMethod method, bool contentLengthIsZero,
                                  MemoryBuffer* reply) {
  // Without a caller's buffer the body is still read, so that it does not stay on a kept
  // connection and pass for the next reply.
  MemoryBuffer discarded;
  MemoryBuffer& out = reply != nullptr ? *reply : discarded;
  const std::string transferEncoding = response_.ExtraHeaders.Value("Transfer-Encoding");
  FramingInput framing;
  framing.isHead = method == HttpMethod::Head;
  framing.responseCode = responseCode_;
  framing.contentLength = response_.ContentLength;
  framing.contentLengthIsZero = contentLengthIsZero;
  framing.transferEncoding = transferEncoding;
  switch (ChooseBodyFraming(framing)) {
    case BodyFraming::Empty:
      out.SetSize(out.Position());
      break;
    case BodyFraming::Length:
      ReadStream(out, static_cast<uint64_t>(response_.ContentLength));
      break;
    case BodyFraming::Chunked:
      DoStatus("Chunk Started");
      ReadChunkedBody(Reader(), out);
      break;
    case BodyFraming::UntilClose:
      ReadToClose(out);
      break;
  }
}

void HttpClient::SettleConnection(bool replyIsHttp10) {
  const bool closeAsked = EqualsIgnoringAsciiCase(Trimmed(response_.Connection), "close");
  if (ProtocolVersion == HttpVersion::pv1_0 || replyIsHttp10 || (closeAsked && Connected())) {
    Disconnect();
  } else {
    CheckForGracefulDisconnect();
  }
}

}  // namespace sendaro
