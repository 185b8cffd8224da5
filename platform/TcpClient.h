#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/BufferedReader.h"
#include "platform/MemoryBuffer.h"
#include "platform/Socket.h"

namespace sendaro {

// A blocking TCP client connection with buffered line and stream reading. No operation has a
// time limit except the graceful-close check.
class TcpClient {
 public:
  // Largest piece of a stream handed to one send.
  static constexpr size_t kSendPieceBytes = 32768;

  TcpClient();
  virtual ~TcpClient();
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;
  TcpClient(TcpClient&&) = delete;
  TcpClient& operator=(TcpClient&&) = delete;

  std::string Host;  // where the next Connect goes
  int Port = 0;
  std::function<void(std::string_view status)> OnStatus;  // observer of status notifications

  // Runs CheckForDisconnect, then tells whether a socket is open.
  bool Connected();
  // Raises SocketError when the host does not resolve or the connect fails.
  void Connect();
  // If a socket is open: shuts down sending and closes it. Buffered bytes are dropped.
  void Disconnect() noexcept;

  // Without network traffic: when an earlier read or write saw the peer go away, or there is
  // no socket, closes whatever is still open.
  void CheckForDisconnect() noexcept;
  // One read attempt waiting at most 1 ms: closes our side quietly when the peer has closed;
  // bytes that arrived stay buffered for the next read; a reset raises SocketError.
  void CheckForGracefulDisconnect();

  // Sends the text followed by CR LF at once.
  void WriteLine(std::string_view text);
  // Sends the bytes as they are, at once.
  void Write(std::string_view bytes);
  // Rewinds `stream` and sends all of it; the position ends at its size.
  void WriteStream(MemoryBuffer& stream);

  // See BufferedReader. Every read raises ConnClosedGracefully when there is no connection.
  std::string ReadLn(size_t maxBytes);
  void ReadStream(MemoryBuffer& stream, uint64_t count);
  void ReadToClose(MemoryBuffer& stream);

  // Posts a status text to OnStatus, if set.
  void DoStatus(std::string_view status) const;

 protected:
  // For readers that work on the buffered bytes themselves (chunked bodies, header blocks).
  BufferedReader& Reader() noexcept { return reader_; }

 private:
  void RequireSocket() const;

  Socket socket_;
  BufferedReader reader_{socket_};
  bool peerGone_ = false;  // a send failed because the peer went away
};

}  // namespace sendaro
