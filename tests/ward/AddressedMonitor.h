#pragma once

#include <boost/asio.hpp>
#include <span>
#include <string>

// A monitor's connection to a station on the loopback address from an address of its own
// (127.0.0.2, 127.0.0.3 …, all loopback), as monitors that a ward file names connect.
class AddressedMonitor {
 public:
  // Connects from `source` to the station at 127.0.0.1:`port`; false when it cannot.
  bool Connect(const std::string& source, int port) {
    namespace ip = boost::asio::ip;
    boost::system::error_code error;
    m_socket.open(ip::tcp::v4(), error);
    if (!error) m_socket.bind(ip::tcp::endpoint(ip::make_address(source), 0), error);
    if (!error) m_socket.connect(ip::tcp::endpoint(ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)), error);
    return !error;
  }
  bool Send(std::span<const unsigned char> bytes) {
    boost::system::error_code error;
    boost::asio::write(m_socket, boost::asio::buffer(bytes.data(), bytes.size()), error);
    return !error;
  }
  // What the station tells before it closes the connection (a refusal).
  std::string Told() {
    std::string text(256, '\0');
    boost::system::error_code error;
    text.resize(boost::asio::read(m_socket, boost::asio::buffer(text), error));
    return text;
  }
  void Close() {
    boost::system::error_code ignored;
    m_socket.close(ignored);
  }

 private:
  boost::asio::io_context m_context;
  boost::asio::ip::tcp::socket m_socket{m_context};
};
