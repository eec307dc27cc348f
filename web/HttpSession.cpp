#include "web/HttpSession.h"

#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <type_traits>
#include <variant>

#include "web/LiveSession.h"
#include "web/WebHub.h"
#include "web/WebResponse.h"
#include "web/WebRouter.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

template <class Stream>
constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

// The answer to a request the parser refused, or none when the connection just ends (a timeout,
// the client gone).
std::optional<HttpResponse> Refusal(boost::system::error_code error) {
  if (error == http::error::header_limit || error == beast::error_code(http::error::buffer_overflow)) {
    return WebResponse::Error(http::status::request_header_fields_too_large, "the request's headers are too large");
  }
  if (error == http::error::body_limit) {
    return WebResponse::Error(http::status::payload_too_large, "the request's body is too large");
  }
  const bool parseError = &error.category() == &beast::error_code(http::error::bad_method).category();
  if (parseError && error != http::error::partial_message && error != http::error::end_of_stream) {
    return WebResponse::Error(http::status::bad_request, "the request is malformed");
  }
  return std::nullopt;
}

}  // namespace

template <class Stream>
HttpSession<Stream>::HttpSession(std::shared_ptr<WebHub> hub, Stream stream, std::string address)
    : WebConnection(std::move(hub)),
      m_stream(std::move(stream)),
      m_address(std::move(address)),
      m_buffer(kMaxHeaderBytes + kMaxBodyBytes) {}

template <class Stream>
void HttpSession<Stream>::Run() {
  if constexpr (kTls<Stream>) {
    beast::get_lowest_layer(m_stream).expires_after(Hub().Options().requestTimeout);
    m_stream.async_handshake(asio::ssl::stream_base::server,
                             [self = this->shared_from_this()](boost::system::error_code error) {
                               self->Handshaken(error);
                             });
  } else {
    Read();
  }
}

template <class Stream>
void HttpSession<Stream>::Handshaken(boost::system::error_code error) {
  if (!error && !m_closed) Read();
}

template <class Stream>
void HttpSession<Stream>::Read() {
  m_parser.emplace();
  m_parser->header_limit(kMaxHeaderBytes);
  m_parser->body_limit(kMaxBodyBytes);
  m_reading = true;
  beast::get_lowest_layer(m_stream).expires_after(Hub().Options().requestTimeout);
  http::async_read(m_stream, m_buffer, *m_parser,
                   [self = this->shared_from_this()](boost::system::error_code error, std::size_t) {
                     self->ReadDone(error);
                   });
}

template <class Stream>
void HttpSession<Stream>::ReadDone(boost::system::error_code error) {
  m_reading = false;
  if (m_closed) return;
  if (error == http::error::end_of_stream) {
    m_lastRequest = true;
    if (m_answers.empty()) Shutdown();
    return;
  }
  if (error) {
    Refuse(error);
    return;
  }
  HttpRequest request = m_parser->release();
  if (beast::websocket::is_upgrade(request)) {
    Upgrade(std::move(request));
    return;
  }
  if (!request.keep_alive()) m_lastRequest = true;
  const auto answer = Enqueue(request.version(), request.keep_alive());
  WebRouter::Handle(SharedHub(), std::move(request), m_address,
                    [self = this->shared_from_this(), answer](HttpResponse response) {
                      self->Answered(answer, std::move(response));
                    });
  ReadIfRoom();
}

template <class Stream>
void HttpSession<Stream>::Refuse(boost::system::error_code error) {
  m_lastRequest = true;
  auto refusal = Refusal(error);
  if (!refusal) {
    Close();
    return;
  }
  Answered(Enqueue(11, false), std::move(*refusal));
}

template <class Stream>
void HttpSession<Stream>::Upgrade(HttpRequest request) {
  m_lastRequest = true;
  auto admission = WebRouter::AdmitLive(Hub(), request);
  if (auto* refusal = std::get_if<HttpResponse>(&admission)) {
    Answered(Enqueue(request.version(), false), std::move(*refusal));
    return;
  }
  if (!m_answers.empty()) {
    Answered(Enqueue(request.version(), false),
             WebResponse::Error(http::status::bad_request, "a live stream begins on a connection of its own"));
    return;
  }
  // A client waits for the upgrade's answer before it sends a frame; bytes that came with the
  // request would be lost to the stream, so such a client is refused.
  if (m_buffer.size() != 0) {
    Answered(Enqueue(request.version(), false),
             WebResponse::Error(http::status::bad_request, "the live stream's frames came before its upgrade"));
    return;
  }
  m_closed = true;
  m_handedOver = true;
  beast::get_lowest_layer(m_stream).expires_never();
  std::make_shared<LiveSession<Stream>>(SharedHub(), std::move(m_stream), std::get<std::string>(admission))
      ->Accept(std::move(request));
}

template <class Stream>
std::shared_ptr<typename HttpSession<Stream>::Answer> HttpSession<Stream>::Enqueue(unsigned version, bool keepAlive) {
  auto answer = std::make_shared<Answer>();
  answer->version = version;
  answer->keepAlive = keepAlive;
  m_answers.push_back(answer);
  return answer;
}

template <class Stream>
void HttpSession<Stream>::Answered(const std::shared_ptr<Answer>& answer, HttpResponse response) {
  if (m_closed) return;
  WebResponse::Finish(response, answer->version, answer->keepAlive, kTls<Stream>);
  m_answerBytes += response.body().size();
  answer->response = std::move(response);
  WriteFront();
  ReadIfRoom();
}

template <class Stream>
void HttpSession<Stream>::WriteFront() {
  if (m_writing || m_answers.empty() || !m_answers.front()->response) return;
  m_writing = true;
  beast::get_lowest_layer(m_stream).expires_after(Hub().Options().requestTimeout);
  http::async_write(m_stream, *m_answers.front()->response,
                    [self = this->shared_from_this()](boost::system::error_code error, std::size_t) {
                      self->WriteDone(error);
                    });
}

template <class Stream>
void HttpSession<Stream>::WriteDone(boost::system::error_code error) {
  m_writing = false;
  if (m_closed) return;
  if (error) {
    Close();
    return;
  }
  const bool last = m_answers.front()->response->need_eof();
  m_answerBytes -= m_answers.front()->response->body().size();
  m_answers.pop_front();
  if (last || (m_lastRequest && m_answers.empty() && !m_reading)) {
    Shutdown();
    return;
  }
  WriteFront();
  ReadIfRoom();
}

template <class Stream>
void HttpSession<Stream>::ReadIfRoom() {
  if (m_reading || m_lastRequest || m_closed || m_answers.size() >= kMaxAnswers || m_answerBytes >= kMaxAnswerBytes) {
    return;
  }
  for (const auto& answer : m_answers) {
    if (!answer->response) return;  // the ward is still at work on it
  }
  Read();
}

template <class Stream>
void HttpSession<Stream>::Shutdown() {
  m_closed = true;
  if constexpr (kTls<Stream>) {
    beast::get_lowest_layer(m_stream).expires_after(Hub().Options().requestTimeout);
    m_stream.async_shutdown([self = this->shared_from_this()](boost::system::error_code) { self->Close(); });
  } else {
    boost::system::error_code ignored;
    m_stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
  }
}

template <class Stream>
void HttpSession<Stream>::Close() {
  m_closed = true;
  if (m_handedOver) return;
  beast::get_lowest_layer(m_stream).close();
}

template class HttpSession<beast::tcp_stream>;
template class HttpSession<beast::ssl_stream<beast::tcp_stream>>;
