#pragma once

#include <cstddef>
#include <string>

#include "platform/ArgumentList.h"
#include "platform/MemoryBuffer.h"
#include "platform/Platform.h"

namespace sendaro {

// The program's fixed user agent.
inline constexpr const char* kUserAgent =
    "Sendaro ver 1.60 (Sendaro project; http://www.example.com/sendaro/)";

// The whole program: reads the settings files and options, runs the request with one retry and
// delivers the reply. Returns the exit code: 0 delivered, 1 URL rejected or post file
// unreadable, 2 the request failed twice, 3 the output could not be delivered. A bad proxy
// port is not caught here (ConvertError).
int run(const ArgumentList& arguments, Platform& platform);

// The Base64 text of up to `size` bytes from the buffer's position, which moves past them.
std::string EncodeBase64Line(MemoryBuffer& buffer, size_t size);

}  // namespace sendaro
