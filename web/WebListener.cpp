#include "web/WebListener.h"

#include "web/WebHub.h"

namespace asio = boost::asio;

namespace {

// After a failed accept (no descriptors left, say), the listener waits this long.
constexpr std::chrono::milliseconds kAcceptPause{100};

}  // namespace

WebListener::WebListener(asio::io_context& loop, std::weak_ptr<WebHub> hub)
    : m_acceptor(loop), m_pause(loop), m_hub(std::move(hub)) {}

std::optional<std::string> WebListener::Listen(const asio::ip::tcp::endpoint& endpoint) {
  boost::system::error_code error;
  m_acceptor.open(endpoint.protocol(), error);
  if (!error) m_acceptor.set_option(asio::socket_base::reuse_address(true), error);
  if (!error) m_acceptor.bind(endpoint, error);
  if (!error) m_acceptor.listen(asio::socket_base::max_listen_connections, error);
  if (error) return error.message();
  return std::nullopt;
}

int WebListener::Port() const {
  boost::system::error_code error;
  return m_acceptor.local_endpoint(error).port();
}

void WebListener::Close() {
  boost::system::error_code error;
  m_acceptor.close(error);
  m_pause.cancel();
}

void WebListener::Accept() {
  m_acceptor.async_accept([self = shared_from_this()](boost::system::error_code error, asio::ip::tcp::socket socket) {
    self->Accepted(error, std::move(socket));
  });
}

void WebListener::Accepted(boost::system::error_code error, asio::ip::tcp::socket socket) {
  if (error == asio::error::operation_aborted || !m_acceptor.is_open()) return;
  const auto hub = m_hub.lock();
  if (!hub || hub->Stopped()) return;
  if (error) {
    m_pause.expires_after(kAcceptPause);
    m_pause.async_wait([self = shared_from_this()](boost::system::error_code waited) {
      if (!waited && self->m_acceptor.is_open()) self->Accept();
    });
    return;
  }
  hub->Accepted(std::move(socket));
  Accept();
}
