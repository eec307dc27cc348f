#pragma once

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <type_traits>

// The clients of the web side's tests, on Beast's own client side: every operation runs on the
// client's own loop for at most a given time, so that a test that waits for the server never
// hangs. They talk to 127.0.0.1 only, over plain TCP or TLS (checking the server's certificate
// against the one the test made).
namespace webtest {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using namespace std::chrono_literals;
using HttpRequest = http::request<http::string_body>;
using HttpResponse = http::response<http::string_body>;
using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

inline std::string View(beast::string_view text) { return std::string(text.data(), text.size()); }

// Runs `loop` until `finished` or `limit`; false when the limit came first.
inline bool RunUntil(asio::io_context& loop, const bool& finished, std::chrono::milliseconds limit) {
  loop.restart();
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!finished && std::chrono::steady_clock::now() < deadline) {
    if (loop.run_one_until(deadline) == 0 && loop.stopped()) loop.restart();
  }
  return finished;
}

// A TLS client context that trusts `certificateFile` only and checks the name 127.0.0.1.
inline asio::ssl::context TrustingContext(const std::string& certificateFile) {
  asio::ssl::context context(asio::ssl::context::tls_client);
  context.load_verify_file(certificateFile);
  context.set_verify_mode(asio::ssl::verify_peer);
  return context;
}

template <class Stream>
Stream MakeStream(asio::io_context& loop, asio::ssl::context* tls) {
  if constexpr (std::is_same_v<Stream, TlsStream>) {
    return Stream(PlainStream(loop), *tls);
  } else {
    (void)tls;
    return Stream(loop);
  }
}

// How a test client connects: from which loopback address (the server counts login failures
// per address), and with how small a receive buffer (so that a client that stops reading stops
// the server's writes soon).
struct ClientOptions {
  std::string source;
  int receiveBuffer = 0;
};

// Connects `stream` to 127.0.0.1:`port` (and completes the TLS handshake, checking the name
// 127.0.0.1) on `loop`: the error, or none.
template <class Stream>
beast::error_code OpenStream(Stream& stream, asio::io_context& loop, int port, const ClientOptions& options,
                             std::chrono::milliseconds limit = 5s) {
  auto& socket = beast::get_lowest_layer(stream).socket();
  if (options.receiveBuffer > 0 || !options.source.empty()) socket.open(asio::ip::tcp::v4());
  if (options.receiveBuffer > 0) socket.set_option(asio::socket_base::receive_buffer_size(options.receiveBuffer));
  if (!options.source.empty()) socket.bind(asio::ip::tcp::endpoint(asio::ip::make_address(options.source), 0));
  const asio::ip::tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port));
  beast::error_code result = asio::error::timed_out;
  bool finished = false;
  beast::get_lowest_layer(stream).async_connect(endpoint, [&](beast::error_code error) {
    if (error) {
      result = error;
      finished = true;
      return;
    }
    if constexpr (std::is_same_v<Stream, TlsStream>) {
      SSL_set_tlsext_host_name(stream.native_handle(), "127.0.0.1");
      stream.set_verify_callback(asio::ssl::host_name_verification("127.0.0.1"));
      stream.async_handshake(asio::ssl::stream_base::client, [&](beast::error_code handshake) {
        result = handshake;
        finished = true;
      });
    } else {
      result = {};
      finished = true;
    }
  });
  if (!RunUntil(loop, finished, limit)) {
    beast::error_code ignored;
    socket.close(ignored);
    loop.restart();
    loop.poll();
  }
  return result;
}

// A connection to the server at 127.0.0.1:`port`, plain when `tls` is null.
template <class Stream>
class Connection {
 public:
  Connection(int port, asio::ssl::context* tls = nullptr, ClientOptions options = {})
      : m_stream(MakeStream<Stream>(m_loop, tls)), m_port(port), m_options(std::move(options)) {}

  beast::error_code Open(std::chrono::milliseconds limit = 5s) { return OpenStream(m_stream, m_loop, m_port, m_options, limit); }

  // Sends `request` and reads the response; none when the connection fails or the limit passes.
  std::optional<HttpResponse> Send(HttpRequest request, std::chrono::milliseconds limit = 5s) {
    request.prepare_payload();
    bool finished = false;
    std::optional<HttpResponse> result;
    HttpResponse response;
    http::response_parser<http::string_body> parser;
    parser.body_limit(64 * 1024 * 1024);
    http::async_write(m_stream, request, [&](beast::error_code error, std::size_t) {
      if (error) {
        finished = true;
        return;
      }
      http::async_read(m_stream, m_buffer, parser, [&](beast::error_code read, std::size_t) {
        if (!read) result = parser.release();
        finished = true;
      });
    });
    if (!RunUntil(m_loop, finished, limit)) Close();
    return result;
  }

  // Writes `bytes` as they are.
  bool WriteRaw(const std::string& bytes, std::chrono::milliseconds limit = 5s) {
    bool finished = false;
    bool written = false;
    asio::async_write(m_stream, asio::buffer(bytes), [&](beast::error_code error, std::size_t) {
      written = !error;
      finished = true;
    });
    if (!RunUntil(m_loop, finished, limit)) Close();
    return written;
  }

  // Reads until the server closes the connection (or what came is `enough`), keeping what came;
  // false when neither happened within `limit`.
  bool ReadUntilClosed(std::string& received, std::chrono::milliseconds limit,
                       const std::function<bool(const std::string&)>& enough = {}) {
    bool finished = false;
    std::function<void()> read = [&] {
      m_chunk.resize(64 * 1024);
      m_stream.async_read_some(asio::buffer(m_chunk), [&](beast::error_code error, std::size_t size) {
        received.append(m_chunk.data(), size);
        if (error || (enough && enough(received))) {
          finished = true;
        } else {
          read();
        }
      });
    };
    read();
    const bool done = RunUntil(m_loop, finished, limit);
    if (!done) Close();
    return done;
  }

  void Close() {
    beast::error_code ignored;
    beast::get_lowest_layer(m_stream).socket().close(ignored);
    m_loop.restart();
    m_loop.poll();
  }


 private:
  asio::io_context m_loop;
  Stream m_stream;
  int m_port;
  ClientOptions m_options;
  beast::flat_buffer m_buffer;
  std::string m_chunk;
};

// A request as the server's own pages would send it, with the session cookie, the Origin and
// the write token when given.
inline HttpRequest Request(http::verb method, const std::string& target, int port, const std::string& cookie = "",
                           const std::string& origin = "", const std::string& token = "",
                           const std::string& body = "") {
  HttpRequest request{method, target, 11};
  request.set(http::field::host, "127.0.0.1:" + std::to_string(port));
  if (!cookie.empty()) request.set(http::field::cookie, "theme=dark; vudoda_session=" + cookie);
  if (!origin.empty()) request.set(http::field::origin, origin);
  if (!token.empty()) request.set("X-CSRF-Token", token);
  if (!body.empty()) {
    request.set(http::field::content_type, "application/json");
    request.body() = body;
  }
  return request;
}

// The session cookie's value a response sets, or empty.
inline std::string CookieOf(const HttpResponse& response) {
  const std::string header = View(response[http::field::set_cookie]);
  const std::string name = "vudoda_session=";
  if (header.rfind(name, 0) != 0) return "";
  return header.substr(name.size(), header.find(';') - name.size());
}

// A browser's live stream.
template <class Stream>
class LiveConnection {
 public:
  LiveConnection(int port, asio::ssl::context* tls = nullptr, ClientOptions options = {})
      : m_socket(MakeStream<Stream>(m_loop, tls)), m_port(port), m_options(std::move(options)) {}

  // Connects and asks for the upgrade with `cookie` and `origin`: the error, or none; a refused
  // upgrade leaves the server's answer in Refusal().
  beast::error_code Open(const std::string& cookie, const std::string& origin) {
    if (const auto error = OpenStream(m_socket.next_layer(), m_loop, m_port, m_options)) return error;
    m_socket.set_option(websocket::stream_base::decorator([cookie, origin](websocket::request_type& request) {
      if (!cookie.empty()) request.set(http::field::cookie, "vudoda_session=" + cookie);
      if (!origin.empty()) request.set(http::field::origin, origin);
    }));
    m_socket.read_message_max(64 * 1024 * 1024);
    beast::error_code result = asio::error::timed_out;
    bool finished = false;
    m_socket.async_handshake(m_refusal, "127.0.0.1:" + std::to_string(m_port), "/api/live",
                             [&](beast::error_code error) {
                               result = error;
                               finished = true;
                             });
    if (!RunUntil(Loop(), finished, 5s)) Close();
    return result;
  }

  // The next message, or none when the stream ends or `limit` passes.
  std::optional<nlohmann::json> Read(std::chrono::milliseconds limit = 5s) {
    bool finished = false;
    std::optional<nlohmann::json> message;
    m_socket.async_read(m_buffer, [&](beast::error_code error, std::size_t) {
      if (!error) message = nlohmann::json::parse(beast::buffers_to_string(m_buffer.data()));
      m_buffer.consume(m_buffer.size());
      m_closed = m_closed || error;
      m_lastError = error;
      finished = true;
    });
    if (!RunUntil(Loop(), finished, limit)) Close();
    return message;
  }

  bool Send(const std::string& text) {
    bool finished = false;
    bool sent = false;
    m_socket.text(true);
    m_socket.async_write(asio::buffer(text), [&](beast::error_code error, std::size_t) {
      sent = !error;
      finished = true;
    });
    if (!RunUntil(Loop(), finished, 5s)) Close();
    return sent;
  }

  void Close() {
    beast::error_code ignored;
    beast::get_lowest_layer(m_socket).socket().close(ignored);
    Loop().restart();
    Loop().poll();
  }

  bool Closed() const { return m_closed; }
  beast::error_code LastError() const { return m_lastError; }
  websocket::stream<Stream>& Socket() { return m_socket; }
  const websocket::response_type& Refusal() const { return m_refusal; }
  asio::io_context& Loop() { return m_loop; }

 private:
  asio::io_context m_loop;
  websocket::stream<Stream> m_socket;
  int m_port;
  ClientOptions m_options;
  beast::flat_buffer m_buffer;
  websocket::response_type m_refusal;
  bool m_closed = false;
  beast::error_code m_lastError;
};

}  // namespace webtest
