// Shows the client at work without any network beyond this machine: serves one page from a
// loopback listener on a thread of its own and fetches it with HttpClient.
#include <iostream>
#include <string>
#include <thread>

#include "http/HttpClient.h"
#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "platform/Socket.h"

namespace {

const char kPage[] =
    "HTTP/1.1 200 OK\r\n"
    "Content-Type: text/plain\r\n"
    "Transfer-Encoding: chunked\r\n"
    "\r\n"
    "1c\r\nHello from a loopback server\r\n"
    "1\r\n\n\r\n"
    "0\r\n\r\n";

// Reads one request head and answers it with the page.
void ServeOnce(sendaro::Listener& listener) {
  sendaro::Socket client = listener.Accept();
  std::string request;
  char piece[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const size_t n = client.Receive(piece, sizeof piece);
    if (n == 0) {
      return;
    }
    request.append(piece, n);
  }
  client.SendAll(kPage);
  client.ShutdownSend();
}

}  // namespace

int main() {
  try {
    sendaro::Listener listener = sendaro::Listener::Loopback();
    std::thread server([&listener] {
      try {
        ServeOnce(listener);
      } catch (const sendaro::Error& e) {
        std::cout << "server: " << e.what() << "\n";
      }
    });
    const std::string url = "http://127.0.0.1:" + std::to_string(listener.Port()) + "/hello.txt";

    sendaro::HttpClient client;
    sendaro::MemoryBuffer reply;
    try {
      client.Get(url, &reply);
    } catch (...) {
      listener.Shutdown();
      server.join();
      throw;
    }
    server.join();

    std::cout << "GET " << url << "\n"
              << client.ResponseCode() << " (" << client.ResponseText() << ")\n"
              << "Content-Type: " << client.Response().ContentType << "\n"
              << "body, " << reply.Size() << " bytes: " << reply.View();
    return 0;
  } catch (const sendaro::Error& e) {
    std::cout << e.TypeName() << ": " << e.what() << "\n";
    return 1;
  }
}
