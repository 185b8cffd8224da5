#include "platform/BufferedReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/Error.h"

namespace sendaro {

namespace {

// Up to this many announced bytes are reserved at once. A larger announcement is not trusted:
// the storage then grows with what actually arrives.
constexpr uint64_t kReserveLimitBytes = 64ULL * 1024 * 1024;

[[noreturn]] void ThrowClosed() {
  throw ConnClosedGracefully("connection closed by the peer");
}

// True when `line`, which has no LF yet, already holds more than `maxBytes` bytes that cannot
// belong to the line end. A final CR may still turn out to be part of a CR LF.
bool PastLimit(const std::string& line, size_t maxBytes) {
  if (line.size() <= maxBytes) {
    return false;
  }
  return line.size() - maxBytes > 1 || line.back() != '\r';
}

}  // namespace

BufferedReader::BufferedReader(ByteSource& source) : source_(source), buffer_(kBufferBytes, '\0') {}

std::string BufferedReader::ReadLine(size_t maxBytes) {
  std::string line;
  for (;;) {
    if (begin_ < end_) {
      const char* start = buffer_.data() + begin_;
      const size_t available = end_ - begin_;
      const auto* lf = static_cast<const char*>(std::memchr(start, '\n', available));
      if (lf != nullptr) {
        const auto length = static_cast<size_t>(lf - start);
        line.append(start, length);
        begin_ += length + 1;
        if (!line.empty() && line.back() == '\r') {
          line.pop_back();
        }
        if (line.size() > maxBytes) {
          throw ReadLimitError("line longer than " + std::to_string(maxBytes) + " bytes");
        }
        return line;
      }
      line.append(start, available);
      begin_ = end_;
      if (PastLimit(line, maxBytes)) {
        throw ReadLimitError("line longer than " + std::to_string(maxBytes) + " bytes");
      }
    }
    if (!FillOnce()) {
      ThrowClosed();
    }
  }
}

void BufferedReader::ReadExact(MemoryBuffer& out, uint64_t count) {
  const bool reserved = count <= kReserveLimitBytes;
  if (reserved) {
    out.Reserve(out.Position() + static_cast<size_t>(count));
  }
  const auto fromBuffer = static_cast<size_t>(std::min<uint64_t>(Buffered(), count));
  out.Write(std::string_view(buffer_.data() + begin_, fromBuffer));
  begin_ += fromBuffer;
  uint64_t remaining = count - fromBuffer;
  uint64_t received = 0;
  while (remaining > 0) {
    // Reserved room is filled in one go; otherwise each receive asks for about half of what
    // has arrived so far, in step with how the storage grows.
    const uint64_t piece =
        reserved ? remaining
                 : std::min<uint64_t>(remaining, std::max<uint64_t>(kBufferBytes, received / 2));
    const size_t got = peerClosed_ ? 0
                                   : source_.Receive(out.PrepareWrite(static_cast<size_t>(piece)),
                                                     static_cast<size_t>(piece));
    if (got == 0) {
      peerClosed_ = true;
      out.SetSize(out.Position());
      ThrowClosed();
    }
    out.CommitWrite(got);
    remaining -= got;
    received += got;
  }
  out.SetSize(out.Position());
}

void BufferedReader::ReadToClose(MemoryBuffer& out) {
  out.Write(std::string_view(buffer_.data() + begin_, Buffered()));
  begin_ = end_ = 0;
  size_t received = 0;
  while (!peerClosed_) {
    const size_t piece = std::max(kBufferBytes, received / 2);
    const size_t got = source_.Receive(out.PrepareWrite(piece), piece);
    if (got == 0) {
      peerClosed_ = true;
      break;
    }
    out.CommitWrite(got);
    received += got;
  }
  out.SetSize(out.Position());
}

bool BufferedReader::FillOnce() {
  if (peerClosed_) {
    return false;
  }
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    // Full of unread bytes: nothing can be received until they are read, and the peer is
    // not known to have closed.
    return true;
  }
  const size_t got = source_.Receive(buffer_.data() + end_, buffer_.size() - end_);
  if (got == 0) {
    peerClosed_ = true;
    return false;
  }
  end_ += got;
  return true;
}

void BufferedReader::Reset() noexcept {
  begin_ = 0;
  end_ = 0;
  peerClosed_ = false;
}

}  // namespace sendaro
