#include "http/ReplyReader.h"

#include <cctype>
#include <string>

#include "http/HttpErrors.h"
#include "http/Limits.h"
#include "platform/AsciiText.h"
#include "platform/IntegerText.h"

namespace sendaro {

namespace {

bool IsHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Reads lines up to the first empty one, keeping them when `lines` is given. Header blocks and
// trailer sections share one limit.
void ReadLinesToEmpty(BufferedReader& in, HeaderList* lines) {
  size_t total = 0;
  for (size_t count = 1;; ++count) {
    std::string line = in.ReadLine(kMaxLineBytes);
    if (line.empty()) {
      return;
    }
    total += line.size() + 2;  // as on the wire, with its CR LF
    if (total > kMaxHeaderBlockBytes || count > kMaxHeaderLines) {
      throw ReadLimitError("header block longer than " + std::to_string(kMaxHeaderBlockBytes) +
                           " bytes or " + std::to_string(kMaxHeaderLines) + " lines");
    }
    if (lines != nullptr) {
      lines->Add(std::move(line));
    }
  }
}

}  // namespace

StatusLine ParseStatusLine(std::string_view line) {
  StatusLine status;
  // The version digits sit at the same place in "HTTP/1.0 200 OK" whatever follows.
  if (line.size() >= 8) {
    const std::string_view digits = line.substr(5, 3);
    status.IsHttp10 = digits == "1.0";
  }
  const size_t blank = line.find(' ');
  status.ResponseText = blank == std::string_view::npos ? std::string() : line.substr(blank + 1);
  const std::string_view text = status.ResponseText;
  status.ResponseCode = ParseInt(text.substr(0, text.find(' ')));
  return status;
}

void ReadHeaderBlock(BufferedReader& in, HeaderList& lines) {
  lines.Clear();
  ReadLinesToEmpty(in, &lines);
}

int64_t ParseChunkSize(std::string_view line) {
  const std::string_view size = line.substr(0, line.find_first_of("; \t"));
  bool hex = !size.empty();
  for (const char c : size) {
    hex = hex && IsHexDigit(c);
  }
  const int64_t value = hex ? ParseInt64Or("$" + std::string(size), -1) : -1;
  if (value < 0) {
    throw MalformedReplyError("bad chunk-size line '" + std::string(line.substr(0, 64)) + "'");
  }
  return value;
}

BodyFraming ChooseBodyFraming(const FramingInput& input) {
  // RFC 9110 section 6.4.1: neither a HEAD reply nor a 204 has a body, whatever it announces.
  if (input.isHead || input.responseCode == 204) {
    return BodyFraming::Empty;
  }
  // RFC 9112 section 6.3: chunked coding wins over a Content-Length.
  if (ContainsIgnoringAsciiCase(input.transferEncoding, "chunked")) {
    return BodyFraming::Chunked;
  }
  if (input.contentLength < 0) {
    throw MalformedReplyError("negative Content-Length " + std::to_string(input.contentLength));
  }
  if (input.contentLength > 0) {
    return BodyFraming::Length;
  }
  return input.contentLengthIsZero ? BodyFraming::Empty : BodyFraming::UntilClose;
}

void ReadChunkedBody(BufferedReader& in, MemoryBuffer& out) {
  for (int64_t size = ParseChunkSize(in.ReadLine(kMaxLineBytes)); size > 0;
       size = ParseChunkSize(in.ReadLine(kMaxLineBytes))) {
    in.ReadExact(out, static_cast<uint64_t>(size));
    // Only a line end may follow the data; anything else means the size line lied, and
    // dropping those bytes would silently corrupt the body.
    if (!in.ReadLine(kMaxLineBytes).empty()) {
      throw MalformedReplyError("chunk data does not end where its size line says");
    }
  }
  out.SetSize(out.Position());
  // Trailer fields up to the empty line, so nothing of this reply stays on a kept connection.
  ReadLinesToEmpty(in, nullptr);
}

}  // namespace sendaro
