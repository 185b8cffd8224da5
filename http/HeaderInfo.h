#pragma once

#include <cstdint>
#include <string>

#include "http/HeaderList.h"
#include "platform/DateTime.h"

namespace sendaro {

class HttpClient;

// The header fields of one HTTP message, used both for the request the client composes and
// for the reply it parses. An empty string counts as not set.
class HeaderInfo {
 public:
  explicit HeaderInfo(HttpClient* owner = nullptr);

  std::string Accept;
  std::string AcceptCharSet;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string Connection;
  std::string ContentEncoding;
  std::string ContentLanguage;
  int64_t ContentLength = 0;     // request: body size to announce (0 = none); reply: announced size
  uint32_t ContentRangeEnd = 0;  // request: end of the Range (0 = open end)
  uint32_t ContentRangeStart = 0;  // request: start of the Range
  std::string ContentType;
  std::string ContentVersion;
  DateTime Date = 0;
  DateTime Expires = 0;
  HeaderList ExtraHeaders;  // request: further lines; reply: every line not taken into a field
  std::string From;
  DateTime LastModified = 0;
  std::string Location;
  std::string Password;
  std::string ProxyAuthenticate;
  std::string ProxyPassword;
  int32_t ProxyPort = 0;
  std::string ProxyServer;  // empty: connect directly
  std::string ProxyUsername;
  std::string Referer;
  std::string Server;
  std::string UserAgent;
  std::string Username;  // not empty: send Basic credentials
  std::string WWWAuthenticate;

  // The initial state. Leaves AcceptEncoding, AcceptLanguage, From, Referer, Username and
  // Password as they are.
  void ResetDefaults();
  // Clears `lines` and appends the request header lines for the current values. A request that
  // carries a body announces its length even when it is 0: servers answer a POST without one
  // with 411 Length Required.
  void ComposeRequestHeaders(HeaderList& lines, bool carriesBody = false) const;
  // Moves the known lines of `lines` into fields and appends the rest to ExtraHeaders.
  // Raises ConvertError for a Content-Range whose start or end is not an integer.
  void ParseResponseHeaders(HeaderList& lines);

  [[nodiscard]] HttpClient* Owner() const noexcept { return owner_; }

 private:
  HttpClient* owner_;  // not owned
};

}  // namespace sendaro
