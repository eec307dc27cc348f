#include "hospital/MllpSession.h"

#include <boost/asio/write.hpp>

namespace asio = boost::asio;

MllpSession::MllpSession(asio::ip::tcp::socket socket, std::string peer, Handler handler,
                         std::chrono::milliseconds frameTimeout, Ended onEnd)
    : m_socket(std::move(socket)),
      m_peer(std::move(peer)),
      m_handler(std::move(handler)),
      m_frameTimeout(frameTimeout),
      m_onEnd(std::move(onEnd)),
      m_frameTimer(m_socket.get_executor()) {}

void MllpSession::Start() { Read(); }

void MllpSession::Close(const std::string& reason) {
  if (m_closed) return;
  m_closed = true;
  boost::system::error_code ignored;
  m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  m_socket.close(ignored);
  m_frameTimer.cancel();
  if (m_onEnd) m_onEnd(*this, reason);
}

void MllpSession::Read() {
  if (m_closed) return;
  m_socket.async_read_some(asio::buffer(m_buffer),
                           [self = shared_from_this()](const boost::system::error_code& error, std::size_t count) {
                             self->OnRead(error, count);
                           });
}

void MllpSession::OnRead(const boost::system::error_code& error, std::size_t count) {
  if (m_closed) return;
  if (error) {
    Close(error == asio::error::eof ? "the peer closed the connection" : error.message());
    return;
  }
  if (!m_framer.Feed(std::string_view(m_buffer.data(), count))) {
    Close("framing: " + *m_framer.Fault());
    return;
  }
  TimeFrame();
  Next();
}

// The frame under way gets frameTimeout from when it began (or from when reading resumed after
// an answer): the timer is set once per frame and stopped when no frame is open.
void MllpSession::TimeFrame() {
  if (!m_framer.InFrame()) {
    if (m_timing) m_frameTimer.cancel();
    m_timing = false;
    return;
  }
  if (m_timing && m_timedFrame == m_framer.Completed()) return;
  m_timing = true;
  m_timedFrame = m_framer.Completed();
  m_frameTimer.expires_after(m_frameTimeout);
  m_frameTimer.async_wait(
      [self = shared_from_this()](const boost::system::error_code& error) { self->OnFrameTimer(error); });
}

void MllpSession::OnFrameTimer(const boost::system::error_code& error) {
  if (error || m_closed || m_busy || !m_timing) return;
  if (m_frameTimer.expiry() > asio::steady_timer::clock_type::now()) return;  // set again meanwhile
  Close("a frame did not end within " + std::to_string(m_frameTimeout.count()) + " ms");
}

void MllpSession::Next() {
  if (m_closed || m_busy) return;
  std::optional<std::string> message = m_framer.Next();
  if (!message) {
    Read();
    return;
  }
  m_busy = true;
  std::weak_ptr<MllpSession> weak = weak_from_this();
  m_handler(std::move(*message), [weak](std::string answer) {
    if (const std::shared_ptr<MllpSession> self = weak.lock()) self->Write(std::move(answer));
  });
}

void MllpSession::Write(std::string answer) {
  if (m_closed) return;
  m_writing = MllpFramer::Wrap(answer);
  asio::async_write(m_socket, asio::buffer(m_writing),
                    [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                      if (error) {
                        self->Close("cannot answer: " + error.message());
                        return;
                      }
                      self->m_busy = false;
                      if (self->m_timing) {
                        self->m_timing = false;  // the frame under way gets its time anew
                        self->TimeFrame();
                      }
                      self->Next();
                    });
}
