#pragma once

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "web/WebConnection.h"
#include "web/WebMessage.h"

// One connection of the ward's web side until it becomes a live stream: over TLS it first
// completes the handshake, then it reads requests, has the router answer each, and writes the
// answers in the order of the requests.
//
// Bounds: a request's line and headers may take 8 KiB, its body 16 KiB (431 and 413, then the
// connection closes; a malformed request gets 400 and the same); the handshake, each request and
// each response must be through within the request timeout, and so must the next request on an
// idle connection, else the connection closes. Answers wait in a queue: the session reads the
// next request only while fewer than kMaxAnswers wait, they hold less than kMaxAnswerBytes and
// none waits for the ward, so a client that sends and never reads holds at most that many
// answers, and at most kMaxAnswerBytes and one answer more.
template <class Stream>
class HttpSession final : public WebConnection, public std::enable_shared_from_this<HttpSession<Stream>> {
 public:
  static constexpr std::size_t kMaxHeaderBytes = 8 * 1024;
  static constexpr std::size_t kMaxBodyBytes = 16 * 1024;
  static constexpr std::size_t kMaxAnswers = 8;
  static constexpr std::size_t kMaxAnswerBytes = 1024 * 1024;

  HttpSession(std::shared_ptr<WebHub> hub, Stream stream, std::string address);

  void Run();
  void Close() override;

 private:
  // An answer in the making, in the order of its request.
  struct Answer {
    std::optional<HttpResponse> response;
    unsigned version = 11;
    bool keepAlive = true;
  };

  void Handshaken(boost::system::error_code error);
  void Read();
  void ReadDone(boost::system::error_code error);
  void Refuse(boost::system::error_code error);
  void Upgrade(HttpRequest request);
  void Answered(const std::shared_ptr<Answer>& answer, HttpResponse response);
  void WriteFront();
  void WriteDone(boost::system::error_code error);
  void ReadIfRoom();
  void Shutdown();
  std::shared_ptr<Answer> Enqueue(unsigned version, bool keepAlive);

  Stream m_stream;
  std::string m_address;
  boost::beast::flat_buffer m_buffer;
  std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> m_parser;
  std::deque<std::shared_ptr<Answer>> m_answers;
  std::size_t m_answerBytes = 0;  // the bodies of the answers that wait
  bool m_reading = false;
  bool m_writing = false;
  bool m_lastRequest = false;  // no request is read after the current ones (close, error, upgrade)
  bool m_closed = false;       // nothing more is read or written (closing, closed, or handed over)
  bool m_handedOver = false;   // the socket belongs to a live stream now
};

extern template class HttpSession<boost::beast::tcp_stream>;
extern template class HttpSession<boost::beast::ssl_stream<boost::beast::tcp_stream>>;
