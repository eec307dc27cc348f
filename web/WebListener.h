#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <memory>
#include <optional>
#include <string>

class WebHub;

// The listening socket of the ward's web side: accepts connections and hands each to the hub.
// When the system refuses to accept (no file descriptors left), it waits a little before it
// tries again instead of spinning on the loop.
class WebListener : public std::enable_shared_from_this<WebListener> {
 public:
  WebListener(boost::asio::io_context& loop, std::weak_ptr<WebHub> hub);

  // Binds and listens. The fault, or nullopt.
  std::optional<std::string> Listen(const boost::asio::ip::tcp::endpoint& endpoint);
  int Port() const;
  void Run() { Accept(); }
  void Close();

 private:
  void Accept();
  void Accepted(boost::system::error_code error, boost::asio::ip::tcp::socket socket);

  boost::asio::ip::tcp::acceptor m_acceptor;
  boost::asio::steady_timer m_pause;
  std::weak_ptr<WebHub> m_hub;
};
