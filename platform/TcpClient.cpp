#include "platform/TcpClient.h"

#include <algorithm>

#include "platform/Error.h"

namespace sendaro {

TcpClient::TcpClient() = default;

TcpClient::~TcpClient() {
  Disconnect();
}

bool TcpClient::Connected() {
  CheckForDisconnect();
  return socket_.IsOpen();
}

void TcpClient::Connect() {
  if (socket_.IsOpen()) {
    Disconnect();
  }
  reader_.Reset();
  peerGone_ = false;
  socket_ = Socket::Connect(Host, Port);
}

void TcpClient::Disconnect() noexcept {
  if (socket_.IsOpen()) {
    socket_.ShutdownSend();
    socket_.Close();
  }
  reader_.Reset();
  peerGone_ = false;
}

void TcpClient::CheckForDisconnect() noexcept {
  if (reader_.PeerClosed() || peerGone_ || !socket_.IsOpen()) {
    Disconnect();
  }
}

void TcpClient::CheckForGracefulDisconnect() {
  if (!socket_.IsOpen()) {
    return;
  }
  try {
    if (socket_.WaitReadable(1) && !reader_.FillOnce()) {
      // Only our side is closed here: a reply that arrived just before the close is still
      // buffered and the next read returns it.
      socket_.ShutdownSend();
      socket_.Close();
      peerGone_ = false;
    }
  } catch (const SocketError&) {
    Disconnect();
    throw;
  }
}

void TcpClient::WriteLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text).append("\r\n");
  Write(line);
}

void TcpClient::Write(std::string_view bytes) {
  try {
    socket_.SendAll(bytes);
  } catch (const SocketError&) {
    peerGone_ = true;
    throw;
  }
}

void TcpClient::WriteStream(MemoryBuffer& stream) {
  stream.SetPosition(0);
  const std::string_view all = stream.View();
  size_t sent = 0;
  while (sent < all.size()) {
    const size_t piece = std::min(kSendPieceBytes, all.size() - sent);
    Write(all.substr(sent, piece));
    sent += piece;
    stream.SetPosition(sent);
  }
}

std::string TcpClient::ReadLn(size_t maxBytes) {
  RequireSocket();
  try {
    return reader_.ReadLine(maxBytes);
  } catch (const SocketError&) {
    peerGone_ = true;
    throw;
  }
}

void TcpClient::ReadStream(MemoryBuffer& stream, uint64_t count) {
  RequireSocket();
  try {
    reader_.ReadExact(stream, count);
  } catch (const SocketError&) {
    peerGone_ = true;
    throw;
  }
}

void TcpClient::ReadToClose(MemoryBuffer& stream) {
  RequireSocket();
  try {
    reader_.ReadToClose(stream);
  } catch (const SocketError&) {
    peerGone_ = true;
    throw;
  }
}

void TcpClient::DoStatus(std::string_view status) const {
  if (OnStatus) {
    OnStatus(status);
  }
}

void TcpClient::RequireSocket() const {
  // Bytes kept from a connection the peer has just closed can still be read.
  if (!socket_.IsOpen() && reader_.Buffered() == 0) {
    throw ConnClosedGracefully("not connected");
  }
}

}  // namespace sendaro
