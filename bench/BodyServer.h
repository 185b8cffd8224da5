#pragma once

#include <cstddef>
#include <string>
#include <thread>

#include "platform/Socket.h"

namespace sendaro::bench {

enum class Framing { Length, Chunked, UntilClose };

const char* Name(Framing framing);

// Serves one request on 127.0.0.1 with a body of `mib` MiB, sent from one reused 1 MiB block so
// that the server itself stays small. Stopped and joined by its destructor.
class BodyServer {
 public:
  BodyServer(Framing framing, size_t mib, std::string contentType = "");
  ~BodyServer();
  BodyServer(const BodyServer&) = delete;
  BodyServer& operator=(const BodyServer&) = delete;
  BodyServer(BodyServer&&) = delete;
  BodyServer& operator=(BodyServer&&) = delete;

  [[nodiscard]] std::string Url() const;

 private:
  void Serve();

  Framing framing_;
  size_t mib_;
  std::string contentType_;
  Listener listener_;
  std::thread thread_;
};

}  // namespace sendaro::bench
