// A small HTTP server inside the test program: 127.0.0.1, a free port, its
// own thread. The test starts Winsock.
#pragma once

#include "WinApi.h"
// after <windows.h>
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "System.h"

// Answers every connection with Answer once the request has come; with Hold
// the connection then stays open until Hangup; with Trickle filler bytes
// follow, a few at a time, until the client goes or Hangup.
class TTestHttpServer {
 public:
  explicit TTestHttpServer(std::string Answer, bool Hold = false, bool Trickle = false)
      : Answer_(std::move(Answer)), Hold_(Hold), Trickle_(Trickle), Listener_(BindLoopback(Port_)) {
    listen(Listener_, 4);
    Thread_ = std::thread([this] { Run(); });
  }
  ~TTestHttpServer() {
    Hangup();
    closesocket(Listener_);
    Thread_.join();
    CloseHandle(HangupEvent_);
  }
  Integer Port() const { return Port_; }
  Integer Connections() const { return Connections_; }
  std::string Requests() {
    std::lock_guard<std::mutex> lock(Lock_);
    return Requests_;
  }
  void Hangup() { SetEvent(HangupEvent_); }

  static SOCKET BindLoopback(Integer& Port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int size = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    Port = ntohs(address.sin_port);
    return s;
  }

 private:
  void Run() {
    for (SOCKET client; (client = accept(Listener_, nullptr, nullptr)) != INVALID_SOCKET;) {
      ++Connections_;
      std::string request = ReadRequest(client);
      {
        std::lock_guard<std::mutex> lock(Lock_);
        Requests_ += request;
      }
      send(client, Answer_.data(), static_cast<int>(Answer_.size()), 0);
      if (Trickle_) TrickleUntilGone(client);
      if (Hold_) WaitForSingleObject(HangupEvent_, INFINITE);
      closesocket(client);
    }
  }
  void TrickleUntilGone(SOCKET Client) {
    const std::string piece(300, 't');
    while (WaitForSingleObject(HangupEvent_, 1) == WAIT_TIMEOUT &&
           send(Client, piece.data(), static_cast<int>(piece.size()), 0) > 0) {
    }
  }
  // The head and as much body as Content-Length announces.
  static std::string ReadRequest(SOCKET Client) {
    std::string text;
    size_t end = std::string::npos;
    char buffer[4096];
    for (int n; end == std::string::npos || text.size() < end;) {
      if ((n = recv(Client, buffer, sizeof(buffer), 0)) <= 0) break;
      text.append(buffer, n);
      const size_t head = text.find("\r\n\r\n");
      if (end == std::string::npos && head != std::string::npos) {
        const size_t at = text.find("Content-Length: ");
        end = head + 4 + (at < head ? std::stoul(text.substr(at + 16)) : 0);
      }
    }
    return text;
  }

  std::string Answer_;
  bool Hold_;
  bool Trickle_;
  Integer Port_ = 0;
  SOCKET Listener_;
  HANDLE HangupEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<Integer> Connections_ = 0;
  std::mutex Lock_;
  std::string Requests_;
  std::thread Thread_;
};

inline std::string Answer(const std::string& Status, const std::string& Body,
                          bool WithLength = true) {
  return "HTTP/1.1 " + Status + "\r\nConnection: close\r\n" +
         (WithLength ? "Content-Length: " + std::to_string(Body.size()) + "\r\n" : "") + "\r\n" +
         Body;
}
