#pragma once

#include <functional>
#include <string>

#include "http/HeaderInfo.h"
#include "http/HeaderList.h"
#include "platform/MemoryBuffer.h"
#include "platform/TcpClient.h"

namespace sendaro {

enum class HttpVersion { pv1_0, pv1_1 };

// Method codes of an exchange.
enum class HttpMethod { Head = 0, Get = 1, Post = 2 };

// A blocking HTTP/1.x client: one exchange per call, directly or through an HTTP proxy, over a
// connection that is kept between calls while both sides allow it.
class HttpClient : public TcpClient {
 public:
  // Called before a redirect is followed or accepted: `dest` may be changed, `Handled` says
  // whether to go on. A change of `NumRedirect` is not kept.
  using RedirectEvent =
      std::function<void(HttpClient& Sender, std::string& dest, int& NumRedirect, bool& Handled)>;

  HttpClient();

  HttpVersion ProtocolVersion = HttpVersion::pv1_1;
  int RedirectMaximum = 15;
  HeaderInfo Request{this};
  bool HandleRedirects = false;
  RedirectEvent OnRedirect;

  [[nodiscard]] const HeaderInfo& Response() const noexcept { return response_; }
  [[nodiscard]] int ResponseCode() const noexcept { return responseCode_; }
  [[nodiscard]] const std::string& ResponseText() const noexcept { return responseText_; }
  [[nodiscard]] int RedirectCount() const noexcept { return redirectCount_; }
  [[nodiscard]] const std::string& URLHost() const noexcept { return urlHost_; }
  [[nodiscard]] const std::string& URLProtocol() const noexcept { return urlProtocol_; }

  // Body into `reply` (may be null: the body is then not stored).
  void Get(const std::string& url, MemoryBuffer* reply);
  // Always on a fresh connection and as HTTP/1.0; ProtocolVersion is put back on success.
  void Post(const std::string& url, MemoryBuffer& source, MemoryBuffer* reply);

  // One exchange; raises on failure. `source` is the POST body (method Post only).
  virtual void ExecuteRequest(HttpMethod method, const std::string& url, MemoryBuffer* source,
                              MemoryBuffer* reply);
  virtual bool AskRedirect(std::string& dest, int count);

  // Points Host and Port at the proxy or the origin; answers whether a proxy is used.
  bool SelectTarget(const std::string& protocol, const std::string& host, int port);

 private:
  // Steps from connecting to the end of the reply, towards an absolute or origin `target`.
  void Exchange(HttpMethod method, const std::string& target, MemoryBuffer* source,
                MemoryBuffer* reply);
  void ReadResponseBody(HttpMethod method, bool contentLengthIsZero, MemoryBuffer* reply);
  // Raises ProtocolReplyError for the reply just read.
  [[noreturn]] void Refuse(bool replyIsHttp10);
  // Keeps the connection for the next exchange, or closes it when either side asked to.
  void SettleConnection(bool replyIsHttp10);

  HeaderList workList_;
  int redirectCount_ = 0;
  HeaderInfo response_{this};
  int responseCode_ = 0;
  std::string responseText_;
  std::string urlHost_;
  int urlPort_ = -1;  // the port the URL of urlHost_ named, or -1
  std::string urlProtocol_;
};

}  // namespace sendaro
