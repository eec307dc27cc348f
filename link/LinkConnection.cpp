#include "link/LinkConnection.h"

#include <boost/asio.hpp>

namespace asio = boost::asio;

struct LinkConnection::Socket {
  asio::io_context context;
  asio::ip::tcp::socket socket{context};
};

namespace {

// HOST and PORT of "HOST:PORT" or "[HOST]:PORT"; nullopt when either is missing.
std::optional<std::pair<std::string, std::string>> SplitAddress(const std::string& address) {
  const std::size_t colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == address.size()) return std::nullopt;
  std::string host = address.substr(0, colon);
  if (host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  return std::pair(host, address.substr(colon + 1));
}

}  // namespace

LinkConnection::LinkConnection() : m_socket(std::make_unique<Socket>()) {}

LinkConnection::~LinkConnection() = default;

std::optional<std::string> LinkConnection::Connect(const std::string& address) {
  const auto parts = SplitAddress(address);
  if (!parts) return "'" + address + "' is not HOST:PORT";
  boost::system::error_code error;
  asio::ip::tcp::resolver resolver(m_socket->context);
  const auto endpoints = resolver.resolve(parts->first, parts->second, error);
  if (!error) asio::connect(m_socket->socket, endpoints, error);
  if (error) return "cannot connect to " + address + ": " + error.message();
  return std::nullopt;
}

bool LinkConnection::Send(std::span<const unsigned char> bytes) {
  if (m_fault) return false;
  boost::system::error_code error;
  asio::write(m_socket->socket, asio::buffer(bytes.data(), bytes.size()), error);
  if (error) m_fault = "the connection failed: " + error.message();
  return !m_fault;
}

void LinkConnection::Close() {
  boost::system::error_code ignored;
  m_socket->socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
  m_socket->socket.close(ignored);
}
