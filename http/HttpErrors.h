#pragma once

#include <string>

#include "platform/Error.h"

namespace sendaro {

// A reply the client does not accept (a status class other than 2, a refused redirect). The
// message is the status line without its version, such as "404 Not Found".
class ProtocolReplyError final : public Error {
 public:
  ProtocolReplyError(int code, const std::string& responseText)
      : Error(responseText), code_(code) {}
  [[nodiscard]] int Code() const noexcept { return code_; }
  [[nodiscard]] const char* TypeName() const noexcept override { return "ProtocolReplyError"; }

 private:
  int code_;
};

// A reply that breaks the message framing: a bad chunk-size line, a negative Content-Length.
class MalformedReplyError final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "MalformedReplyError"; }
};

// A request that cannot be sent as asked: a line break inside a request line or header value
// would let the caller's text smuggle in lines of its own.
class InvalidRequestError final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "InvalidRequestError"; }
};

}  // namespace sendaro
