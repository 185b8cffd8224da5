#pragma once

#include <stdexcept>
#include <string>

namespace sendaro {

// Root of every failure the platform and the client raise. Each carries a message; TypeName()
// names the kind for the one-line report of an error that nothing caught.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  [[nodiscard]] virtual const char* TypeName() const noexcept = 0;
};

// Text that is not integer text.
class ConvertError final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "ConvertError"; }
};

// Name resolution, connect, send or receive failed, or the peer reset the connection.
class SocketError final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "SocketError"; }
};

// The peer closed the connection while more bytes were needed.
class ConnClosedGracefully final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "ConnClosedGracefully"; }
};

// A line read from the peer grew past the limit the caller set.
class ReadLimitError final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "ReadLimitError"; }
};

// A file could not be opened, read or written.
class FileError final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "FileError"; }
};

// A write to standard output failed (closed, full, or gone away).
class OutputError final : public Error {
 public:
  using Error::Error;
  [[nodiscard]] const char* TypeName() const noexcept override { return "OutputError"; }
};

}  // namespace sendaro
