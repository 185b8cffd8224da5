#include "http/HeaderInfo.h"

#include <string_view>

#include "http/Base64.h"
#include "http/HttpDate.h"
#include "platform/IntegerText.h"

namespace sendaro {
namespace {

// Cuts the text up to the first `delimiter` off the front of `rest` and returns it; without
// a delimiter the whole of `rest` is the token and nothing remains.
std::string_view NextToken(std::string_view& rest, char delimiter) {
  const size_t end = rest.find(delimiter);
  const std::string_view token = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return token;
}

void AddIfSet(HeaderList& lines, std::string_view prefix, const std::string& value) {
  if (!value.empty()) {
    lines.Add(std::string(prefix) + value);
  }
}

// RFC 7617 section 2: Basic credentials are the Base64 text of "user-id:password".
std::string BasicCredentials(const std::string& username, const std::string& password) {
  return "Basic " + EncodeBase64(username + ":" + password);
}

}  // namespace

HeaderInfo::HeaderInfo(HttpClient* owner) : owner_(owner) {
  ResetDefaults();
}

void HeaderInfo::ResetDefaults() {
  Accept = "text/html, */*";
  UserAgent = "Mozilla/3.0 (compatible; HTTP client library)";
  AcceptCharSet.clear();
  Location.clear();
  Server.clear();
  Connection.clear();
  ContentVersion.clear();
  WWWAuthenticate.clear();
  ContentEncoding.clear();
  ContentLanguage.clear();
  ContentType.clear();
  ProxyServer.clear();
  ProxyUsername.clear();
  ProxyPassword.clear();
  ProxyAuthenticate.clear();
  ContentLength = 0;
  ContentRangeStart = 0;
  ContentRangeEnd = 0;
  ProxyPort = 0;
  Date = 0;
  LastModified = 0;
  Expires = 0;
  ExtraHeaders.Clear();
}

void HeaderInfo::ComposeRequestHeaders(HeaderList& lines, bool carriesBody) const {
  lines.Clear();
  AddIfSet(lines, "Accept: ", Accept);
  AddIfSet(lines, "Accept-Charset: ", AcceptCharSet);
  AddIfSet(lines, "Accept-Encoding: ", AcceptEncoding);
  AddIfSet(lines, "Accept-Language: ", AcceptLanguage);
  AddIfSet(lines, "From: ", From);
  AddIfSet(lines, "Referer: ", Referer);
  AddIfSet(lines, "User-Agent: ", UserAgent);
  AddIfSet(lines, "Connection: ", Connection);
  AddIfSet(lines, "Content-Version: ", ContentVersion);
  AddIfSet(lines, "Content-Encoding: ", ContentEncoding);
  AddIfSet(lines, "Content-Language: ", ContentLanguage);
  AddIfSet(lines, "Content-Type: ", ContentType);
  if (ContentLength != 0 || carriesBody) {
    lines.Add("Content-Length: " + std::to_string(ContentLength));
  }
  if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
    // RFC 7233 section 2.1: without a last position the range runs to the end.
    std::string range = "Range: bytes=" + std::to_string(ContentRangeStart) + "-";
    if (ContentRangeEnd != 0) {
      range += std::to_string(ContentRangeEnd);
    }
    lines.Add(std::move(range));
  }
  if (!Username.empty()) {
    lines.Add("Authorization: " + BasicCredentials(Username, Password));
  }
  if (!ProxyServer.empty() && !ProxyUsername.empty()) {
    lines.Add("Proxy-Authorization: " + BasicCredentials(ProxyUsername, ProxyPassword));
  }
  lines.AddAll(ExtraHeaders);
}

void HeaderInfo::ParseResponseHeaders(HeaderList& lines) {
  ExtraHeaders.Clear();
  const auto take = [&lines](std::string_view name) {
    std::string value = lines.Value(name);
    lines.Remove(name);
    return value;
  };

  Location = take("Location");
  Server = take("Server");
  Connection = take("Connection");
  ContentVersion = take("Content-Version");
  WWWAuthenticate = take("WWW-Authenticate");
  ContentEncoding = take("Content-Encoding");
  ContentLanguage = take("Content-Language");
  ContentType = take("Content-Type");
  ContentLength = ParseInt64Or(take("Content-Length"), 0);

  // RFC 7233 section 4.2: "bytes FIRST-LAST/TOTAL"; the unit and the total are not kept.
  const std::string contentRange = take("Content-Range");
  if (!contentRange.empty()) {
    std::string_view rest = contentRange;
    NextToken(rest, ' ');
    ContentRangeStart = static_cast<uint32_t>(ParseInt(NextToken(rest, '-')));
    ContentRangeEnd = static_cast<uint32_t>(ParseInt(NextToken(rest, '/')));
  }

  const double localOffset = LocalUtcOffsetDays();
  Date = HttpDateToLocal(take("Date"), localOffset);
  LastModified = HttpDateToLocal(take("Last-Modified"), localOffset);
  Expires = HttpDateToLocal(take("Expires"), localOffset);
  ProxyAuthenticate = take("Proxy-Authenticate");

  ExtraHeaders.AddAll(lines);
}

}  // namespace sendaro
