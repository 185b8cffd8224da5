#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/HeaderList.h"
#include "platform/BufferedReader.h"
#include "platform/MemoryBuffer.h"

namespace sendaro {

// The status line of a reply, taken apart.
struct StatusLine {
  std::string ResponseText;  // without the version token: "404 Not Found"
  int ResponseCode = 0;
  bool IsHttp10 = false;  // the version token's digits are "1.0"
};

// Raises ConvertError when the code is not integer text.
StatusLine ParseStatusLine(std::string_view line);

// Reads header lines into `lines` (cleared first) up to the first empty line. Raises
// ReadLimitError for a line over kMaxLineBytes or a block over kMaxHeaderBlockBytes.
void ReadHeaderBlock(BufferedReader& in, HeaderList& lines);

// The hexadecimal size before the first ";" or blank of a chunk-size line (RFC 9112 section
// 7.1: extensions are ignored). Raises MalformedReplyError for anything else.
int64_t ParseChunkSize(std::string_view line);

// How the body of a reply is delimited.
enum class BodyFraming {
  Empty,       // no body bytes at all (HEAD, 204, Content-Length: 0)
  Length,      // exactly Content-Length bytes
  Chunked,     // chunked transfer coding
  UntilClose,  // everything until the server closes
};

struct FramingInput {
  bool isHead = false;
  int responseCode = 0;
  int64_t contentLength = 0;         // as parsed into the record (0: none or not a number)
  bool contentLengthIsZero = false;  // a Content-Length header was present with the value 0
  std::string_view transferEncoding;
};

// Raises MalformedReplyError for a negative Content-Length.
BodyFraming ChooseBodyFraming(const FramingInput& input);

// Reads the chunks into `out` at its position, then the trailer section up to and including
// its empty line. Afterwards `out` ends at its position.
void ReadChunkedBody(BufferedReader& in, MemoryBuffer& out);

}  // namespace sendaro
