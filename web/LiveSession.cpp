#include "web/LiveSession.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include "web/WebHub.h"

namespace beast = boost::beast;
namespace websocket = beast::websocket;

template <class Stream>
LiveSession<Stream>::LiveSession(std::shared_ptr<WebHub> hub, Stream stream, std::string loginKey)
    : LiveClient(std::move(hub), std::move(loginKey)), m_socket(std::move(stream)) {}

template <class Stream>
void LiveSession<Stream>::Accept(HttpRequest request) {
  websocket::stream_base::timeout timeout;
  timeout.handshake_timeout = Hub().Options().requestTimeout;
  timeout.idle_timeout = Hub().Options().liveTimeout;
  timeout.keep_alive_pings = true;
  m_socket.set_option(timeout);
  m_socket.read_message_max(kMaxCommandBytes);
  m_upgrade = std::move(request);
  m_socket.async_accept(*m_upgrade, [self = Self()](boost::system::error_code error) { self->Accepted(error); });
}

template <class Stream>
void LiveSession<Stream>::Accepted(boost::system::error_code error) {
  m_upgrade.reset();
  if (error || Hub().Stopped()) return;
  Opened();
  Read();
}

template <class Stream>
void LiveSession<Stream>::Read() {
  m_socket.async_read(m_buffer, [self = Self()](boost::system::error_code error, std::size_t) { self->ReadDone(error); });
}

template <class Stream>
void LiveSession<Stream>::ReadDone(boost::system::error_code error) {
  if (error) {
    // A close frame, a malformed frame (the stream has failed it already) or a timeout.
    End("");
    return;
  }
  const std::string text = beast::buffers_to_string(m_buffer.data());
  m_buffer.consume(m_buffer.size());
  if (!m_socket.got_text() || !Received(text)) {
    End("not a command");
    return;
  }
  if (!Ended()) Read();
}

template <class Stream>
void LiveSession<Stream>::Write(const std::string& message) {
  m_socket.text(true);
  m_socket.async_write(boost::asio::buffer(message), [self = Self()](boost::system::error_code error, std::size_t) {
    if (error) {
      self->End("");
      self->Close();
    }
    self->Written();
  });
}

template <class Stream>
void LiveSession<Stream>::Finish(const std::string& reason, bool writing) {
  if (writing || reason.empty() || !m_socket.is_open()) {
    Close();
    return;
  }
  m_socket.async_close(websocket::close_reason(websocket::close_code::policy_error, reason),
                       [self = Self()](boost::system::error_code) { self->Close(); });
}

template <class Stream>
void LiveSession<Stream>::Close() {
  beast::get_lowest_layer(m_socket).close();
}

template class LiveSession<beast::tcp_stream>;
template class LiveSession<beast::ssl_stream<beast::tcp_stream>>;
