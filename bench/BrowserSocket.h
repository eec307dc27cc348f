#pragma once

// A browser of the ward's web side as the benchmarks play it: blocking sockets on loopback, a
// login, the live stream's upgrade and a browser's (masked) frames, written by hand so that the
// client costs next to nothing beside the server it measures.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace browser_socket {

// A blocking TCP connection to 127.0.0.1:`port`, with a receive buffer of `receiveBuffer` bytes
// when given (a browser that stops reading fills a small one soon).
inline int Connect(int port, int receiveBuffer = 0) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receiveBuffer > 0) ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return socket;
}

inline void SendAll(int socket, const std::string& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    const auto now = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (now <= 0) return;
    sent += static_cast<std::size_t>(now);
  }
}

// Reads a response's head (and whatever came with it).
inline std::string ReadHead(int socket) {
  std::string received;
  char chunk[4096];
  while (received.find("\r\n\r\n") == std::string::npos) {
    const auto size = ::recv(socket, chunk, sizeof chunk, 0);
    if (size <= 0) break;
    received.append(chunk, static_cast<std::size_t>(size));
  }
  return received;
}

// A browser's masked text frame of `payload` (under 64 KiB).
inline std::string ClientFrame(const std::string& payload) {
  std::string frame{'\x81'};
  if (payload.size() < 126) {
    frame += static_cast<char>(0x80 | payload.size());
  } else {
    frame += '\xFE';
    frame += static_cast<char>(payload.size() >> 8);
    frame += static_cast<char>(payload.size() & 0xFF);
  }
  const char mask[4] = {'\x01', '\x02', '\x03', '\x04'};
  frame.append(mask, sizeof mask);
  for (std::size_t index = 0; index < payload.size(); ++index) frame += static_cast<char>(payload[index] ^ mask[index % 4]);
  return frame;
}

inline std::string Host(int port) { return "127.0.0.1:" + std::to_string(port); }

// Logs `user` in at the web side on `port`: the session cookie's value, empty when refused.
inline std::string LogIn(int port, const std::string& user, const std::string& password) {
  const int socket = Connect(port);
  const std::string body = R"({"user":")" + user + R"(","password":")" + password + R"("})";
  SendAll(socket, "POST /api/login HTTP/1.1\r\nHost: " + Host(port) + "\r\nOrigin: http://" + Host(port) +
                      "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
                      "\r\n\r\n" + body);
  const std::string head = ReadHead(socket);
  ::close(socket);
  const auto cookie = head.find("vudoda_session=");
  if (cookie == std::string::npos) return {};
  const auto at = cookie + 15;
  return head.substr(at, head.find(';', at) - at);
}

// Opens a live stream with the session `cookie` and sends `command` (a subscription) on it.
inline int OpenLiveStream(int port, const std::string& cookie, const std::string& command, int receiveBuffer = 0) {
  const int socket = Connect(port, receiveBuffer);
  SendAll(socket, "GET /api/live HTTP/1.1\r\nHost: " + Host(port) + "\r\nOrigin: http://" + Host(port) +
                      "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                      "Sec-WebSocket-Version: 13\r\nCookie: vudoda_session=" + cookie + "\r\n\r\n");
  ReadHead(socket);
  SendAll(socket, ClientFrame(command));
  return socket;
}

}  // namespace browser_socket
