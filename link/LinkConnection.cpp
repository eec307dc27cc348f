#include "link/LinkConnection.h"

#include <boost/asio.hpp>

#include "link/HostPort.h"

namespace asio = boost::asio;

struct LinkConnection::Socket {
  asio::io_context context;
  asio::ip::tcp::socket socket{context};
};

LinkConnection::LinkConnection() : m_socket(std::make_unique<Socket>()) {}

LinkConnection::~LinkConnection() = default;

std::optional<std::string> LinkConnection::Connect(const std::string& address) {
  const std::optional<HostPort> endpoint = HostPort::Parse(address);
  if (!endpoint) return "'" + address + "' is not HOST:PORT";
  boost::system::error_code error;
  asio::ip::tcp::resolver resolver(m_socket->context);
  const auto endpoints = resolver.resolve(endpoint->host, std::to_string(endpoint->port), error);
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
