#pragma once

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <boost/beast/websocket/stream.hpp>
#include <memory>
#include <optional>
#include <string>

#include "web/LiveClient.h"
#include "web/WebMessage.h"

// A live stream on its socket: the WebSocket that an HttpSession hands its connection to on an
// upgrade, over plain TCP or TLS. It reads the browser's commands (at most 4 KiB each; a
// message that is no command, a malformed frame, or nothing at all, not even a ping's answer,
// for the live timeout closes it) and writes what LiveClient queues, one message at a time.
template <class Stream>
class LiveSession final : public LiveClient {
 public:
  static constexpr std::size_t kMaxCommandBytes = 4096;

  LiveSession(std::shared_ptr<WebHub> hub, Stream stream, std::string loginKey);

  // Completes the upgrade that `request` asked for.
  void Accept(HttpRequest request);
  void Close() override;

 private:
  void Accepted(boost::system::error_code error);
  void Read();
  void ReadDone(boost::system::error_code error);
  void Write(const std::string& message) override;
  void Finish(const std::string& reason, bool writing) override;
  std::shared_ptr<LiveSession> Self() { return std::static_pointer_cast<LiveSession>(shared_from_this()); }

  boost::beast::websocket::stream<Stream> m_socket;
  boost::beast::flat_buffer m_buffer;
  std::optional<HttpRequest> m_upgrade;
};

extern template class LiveSession<boost::beast::tcp_stream>;
extern template class LiveSession<boost::beast::ssl_stream<boost::beast::tcp_stream>>;
