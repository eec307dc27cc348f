#include <fstream>
#include <thread>

#include "web/WebServerTest.h"

namespace {

using namespace std::chrono_literals;
namespace asio = boost::asio;
namespace http = webtest::http;
using Clock = std::chrono::steady_clock;

// Clients that mean harm or have broken: each is refused or cut off within its bound, and the
// server goes on serving the others.
class HostileClientsTest : public WebServerTest {
 protected:
  static WardServerOptions ShortTimeouts() {
    WardServerOptions options = TestOptions();
    options.requestTimeout = 1s;
    return options;
  }

  // Sends `bytes` on a connection of its own and returns what came back before the server closed
  // it; fails the test when it stays open for `limit`.
  std::string SendAndWaitForClose(const std::string& bytes, std::chrono::milliseconds limit = 5s) {
    PlainConnection connection(m_port);
    EXPECT_FALSE(connection.Open());
    connection.WriteRaw(bytes);
    std::string received;
    EXPECT_TRUE(connection.ReadUntilClosed(received, limit)) << "still open after " << limit.count() << " ms";
    return received;
  }

  void ExpectServing() {
    const auto response = Send(Get("/login"));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->result_int(), 200);
  }

  // The upgrade request of a browser's live stream, as raw text.
  std::string UpgradeRequest(const Login& login) const {
    return "GET /api/live HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_port) +
           "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
           "Sec-WebSocket-Version: 13\r\nOrigin: " + m_origin + "\r\nCookie: vudoda_session=" + login.cookie +
           "\r\n\r\n";
  }

  // A client's frame: `first` (FIN, reserved bits, opcode), the payload masked as a client must
  // unless `masked` is false.
  static std::string Frame(unsigned char first, const std::string& payload, bool masked = true) {
    std::string frame(1, static_cast<char>(first));
    const unsigned char mask = masked ? 0x80 : 0x00;
    if (payload.size() < 126) {
      frame += static_cast<char>(mask | payload.size());
    } else {
      frame += static_cast<char>(mask | 126);
      frame += static_cast<char>(payload.size() >> 8);
      frame += static_cast<char>(payload.size() & 0xFF);
    }
    const std::string key = "\x12\x34\x56\x78";
    if (masked) frame += key;
    for (std::size_t index = 0; index < payload.size(); ++index) {
      frame += masked ? static_cast<char>(payload[index] ^ key[index % 4]) : payload[index];
    }
    return frame;
  }
};

TEST_F(HostileClientsTest, AnOversizeRequestLineOrHeadersAre431AndTheConnectionCloses) {
  Start();
  const std::string longLine = "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  std::string manyHeaders = "GET /login HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (int header = 0; header < 200; ++header) manyHeaders += "X-Filler-" + std::to_string(header) + ": " + std::string(60, 'b') + "\r\n";
  manyHeaders += "\r\n";
  for (const std::string& request : {longLine, manyHeaders}) {
    const std::string answer = SendAndWaitForClose(request);
    // The answer may be lost to the reset of a connection closed with the rest unread.
    if (!answer.empty()) {
      EXPECT_EQ(answer.rfind("HTTP/1.1 431 Request Header Fields Too Large\r\n", 0), 0u) << answer;
    }
  }
  ExpectServing();
}

TEST_F(HostileClientsTest, AnOversizeBodyIs413BeforeItIsRead) {
  Start();
  const std::string answer = SendAndWaitForClose(
      "POST /api/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: 10000000\r\n\r\n");
  EXPECT_EQ(answer.rfind("HTTP/1.1 413 Payload Too Large\r\n", 0), 0u) << answer;
  EXPECT_NE(answer.find(R"({"error":"the request's body is too large"})"), std::string::npos);
  EXPECT_EQ(OnLoop([this] { return m_ward->m_loginChecks; }), 0);
}

TEST_F(HostileClientsTest, AMalformedRequestIs400AndTheConnectionCloses) {
  Start();
  for (const char* request : {"GET /login HTTP/9.9\r\nHost: x\r\n\r\n", "G@T /login HTTP/1.1\r\n\r\n",
                              "GET /login HTTP/1.1\r\nHost x\r\n\r\n",
                              "POST /api/login HTTP/1.1\r\nHost: x\r\nContent-Length: -3\r\n\r\n"}) {
    const std::string answer = SendAndWaitForClose(request);
    EXPECT_EQ(answer.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << request << "\n" << answer;
  }
  ExpectServing();
}

// Slowloris: a request whose headers or body never end, however slowly they keep coming, and
// a connection that never sends anything, are closed at the request timeout.
TEST_F(HostileClientsTest, ARequestThatNeverEndsIsCutOffAtTheRequestTimeout) {
  Start(ShortTimeouts());
  for (const std::string& opening :
       {std::string("GET /login HTTP/1.1\r\nHost: 127.0.0.1\r\n"),
        std::string("POST /api/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                    "Content-Length: 1000\r\n\r\n{")}) {
    PlainConnection connection(m_port);
    ASSERT_FALSE(connection.Open());
    ASSERT_TRUE(connection.WriteRaw(opening));
    const auto began = Clock::now();
    bool refused = false;
    while (!refused && Clock::now() - began < 5s) {
      std::this_thread::sleep_for(100ms);
      refused = !connection.WriteRaw("X", 1s);
    }
    EXPECT_TRUE(refused) << opening;
    EXPECT_LT(Clock::now() - began, 3s) << opening;
  }
  std::string received;
  PlainConnection silent(m_port);
  ASSERT_FALSE(silent.Open());
  EXPECT_TRUE(silent.ReadUntilClosed(received, 3s));
  EXPECT_TRUE(received.empty());
  ExpectServing();
}

// A thousand connections that say nothing: at most the limit are held (the rest are closed as
// soon as they are accepted), those are closed at the request timeout, and then the server
// serves again.
TEST_F(HostileClientsTest, AThousandIdleConnectionsAreBoundedAndShed) {
  WardServerOptions options = ShortTimeouts();
  options.maxConnections = 50;
  Start(options);
  asio::io_context client;
  std::vector<asio::ip::tcp::socket> idle;
  const asio::ip::tcp::endpoint server(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(m_port));
  for (int connection = 0; connection < 1000; ++connection) {
    idle.emplace_back(client);
    boost::system::error_code error;
    idle.back().connect(server, error);
  }
  ASSERT_TRUE([&] {
    for (auto until = Clock::now() + 5s; Clock::now() < until; std::this_thread::sleep_for(20ms)) {
      if (Status().refusedConnections >= 950) return true;
    }
    return false;
  }());
  const WardServerStatus crowded = Status();
  EXPECT_LE(crowded.connections, 50u);
  EXPECT_EQ(crowded.refusedConnections + crowded.connections, 1000u);

  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(Status().connections, 0u);
  ExpectServing();
}

// A malformed frame fails the stream: the server sends its close and ends the connection, at the
// latest when the closing handshake's time (the request timeout) is up.
TEST_F(HostileClientsTest, MalformedWebSocketFramesEndTheStream) {
  Start(ShortTimeouts());
  const auto login = LogIn();
  ASSERT_TRUE(login);
  const std::map<std::string, std::string> frames{
      {"an unmasked frame", Frame(0x81, "hello", false)},
      {"reserved bits", Frame(0xF1, "hello")},
      {"an unknown opcode", Frame(0x83, "hello")},
      {"a ping longer than a control frame may be", Frame(0x89, std::string(200, 'p'))},
      {"text that is no UTF-8", Frame(0x81, "\xC3\x28")},
      {"a frame of 2^63 bytes", std::string("\x82\xFF\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x12\x34\x56\x78", 14)},
      {"a continuation without a beginning", Frame(0x80, "tail")},
  };
  for (const auto& [what, frame] : frames) {
    PlainConnection connection(m_port);
    ASSERT_FALSE(connection.Open());
    ASSERT_TRUE(connection.WriteRaw(UpgradeRequest(*login)));
    std::string received;
    ASSERT_TRUE(connection.ReadUntilClosed(received, 3s, [](const std::string& got) { return got.find("\r\n\r\n") != std::string::npos; }));
    EXPECT_EQ(received.rfind("HTTP/1.1 101 Switching Protocols\r\n", 0), 0u) << what;
    ASSERT_TRUE(connection.WriteRaw(frame));
    EXPECT_TRUE(connection.ReadUntilClosed(received, 3s)) << what;
  }
  // A frame sent with the upgrade, before its answer, is refused with the upgrade.
  const std::string early = SendAndWaitForClose(UpgradeRequest(*login) + Frame(0x81, R"({"subscribe":[1]})"));
  EXPECT_EQ(early.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << early;
  EXPECT_NE(early.find("the live stream's frames came before its upgrade"), std::string::npos);
  ASSERT_TRUE([&] {
    for (auto until = Clock::now() + 5s; Clock::now() < until; std::this_thread::sleep_for(20ms)) {
      if (Status().liveStreams == 0) return true;
    }
    return false;
  }());
  ExpectServing();
}

TEST_F(HostileClientsTest, ACommandLargerThanFourKilobytesEndsTheStream) {
  Start();
  const auto login = LogIn();
  ASSERT_TRUE(login);
  PlainLive live(m_port);
  ASSERT_FALSE(live.Open(login->cookie, m_origin));
  ASSERT_TRUE(live.Read());
  ASSERT_TRUE(live.Send(R"({"subscribe":[)" + std::string(5000, ' ') + "1]}"));
  EXPECT_FALSE(live.Read(3s));
  EXPECT_EQ(live.Socket().reason().code, webtest::websocket::close_code::too_big);
}

// The most bytes the system may hold in a socket's send buffer (tcp_wmem's last field).
std::size_t SendBufferLimit() {
  std::ifstream file("/proc/sys/net/ipv4/tcp_wmem");
  std::size_t least = 0, usual = 0, most = 4 * 1024 * 1024;
  file >> least >> usual >> most;
  return most;
}

// A client that sends requests and never reads their answers holds a bounded part of them: the
// server stops reading its requests while 1 MiB of answers (or eight answers) wait. What the
// ward was asked for is what the system's buffers took, that MiB and the one answer past it.
TEST_F(HostileClientsTest, AClientThatNeverReadsItsAnswersHoldsAtMostAMebibyte) {
  Start();
  const auto login = LogIn();
  ASSERT_TRUE(login);
  const auto start = std::chrono::system_clock::now() - 3h;
  OnLoop([&] { return m_ward->Produce(1, start, 28'800).samples.size(); });  // two hours
  const auto from = std::chrono::duration_cast<std::chrono::milliseconds>(start.time_since_epoch()).count();
  const std::string request = "GET /api/beds/1/trace?from=" + std::to_string(from) + "&to=" +
                              std::to_string(from + 7'200'000) + " HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: vudoda_session=" +
                              login->cookie + "\r\n\r\n";
  const auto answer = Send(Get(request.substr(4, request.find(" HTTP/1.1") - 4), login->cookie));
  ASSERT_TRUE(answer);
  const std::size_t answerBytes = answer->body().size();
  ASSERT_GT(answerBytes, 512u * 1024);
  std::string requests;
  for (int copy = 0; copy < 40; ++copy) requests += request;

  webtest::Connection<webtest::PlainStream> greedy(m_port, nullptr, webtest::ClientOptions{"", 16 * 1024});
  ASSERT_FALSE(greedy.Open());
  ASSERT_TRUE(greedy.WriteRaw(requests));
  std::this_thread::sleep_for(500ms);
  const int asked = OnLoop([this] { return m_ward->m_traceRequests; }) - 1;
  const std::size_t allowed = (SendBufferLimit() + 1024 * 1024) / answerBytes + 2;
  EXPECT_LE(static_cast<std::size_t>(asked), allowed) << "of 40 requests whose answers nobody reads";
  ExpectServing();

  const auto answers = [](const std::string& received) {
    std::size_t count = 0;
    for (auto at = received.find("HTTP/1.1 200 OK"); at != std::string::npos; at = received.find("HTTP/1.1 200 OK", at + 1)) {
      ++count;
    }
    return count;
  };
  std::string received;
  EXPECT_TRUE(greedy.ReadUntilClosed(received, 20s, [&](const std::string& got) {
    return got.ends_with("]}}") && answers(got) == 40;
  })) << "every answer comes once it is read";
}

}  // namespace
