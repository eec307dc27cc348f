#include <fstream>

#include "web/TestCertificate.h"
#include "web/WebServerTest.h"

namespace {

using namespace std::chrono_literals;
namespace http = webtest::http;

using WardServerStartTest = WebServerTest;

TEST_F(WardServerStartTest, PlainHttpIsRefusedOffLoopbackWithTheReason) {
  for (const char* address : {"0.0.0.0:0", "10.1.2.3:8443", "[::]:0", "192.0.2.7:0"}) {
    WardServerOptions options = TestOptions();
    options.address = address;
    const auto fault = TryStart(options);
    ASSERT_TRUE(fault) << address;
    EXPECT_EQ(*fault, std::string("plain HTTP is served only on a loopback address: ") + address +
                          " needs a TLS certificate and its key");
  }
}

TEST_F(WardServerStartTest, LoopbackInEveryFormServesPlainHttp) {
  for (const char* address : {"127.0.0.1:0", "localhost:0", "[::1]:0", "127.8.9.10:0"}) {
    WardServerOptions options = TestOptions();
    options.address = address;
    m_ward = std::make_unique<FakeWard>(m_loop);
    WardServer server(m_loop, *m_ward, options);
    EXPECT_EQ(server.Start(), std::nullopt) << address;
    EXPECT_NE(server.Port(), 0) << address;
  }
}

TEST_F(WardServerStartTest, AnAddressThatIsNoneIsRefused) {
  for (const char* address : {"", "127.0.0.1", "127.0.0.1:65536", "127.0.0.1:x", "::1:80", "ward.example:80"}) {
    WardServerOptions options = TestOptions();
    options.address = address;
    const auto fault = TryStart(options);
    ASSERT_TRUE(fault) << address;
    EXPECT_EQ(*fault, "'" + std::string(address) + "' is no address to listen on: ADDRESS:PORT, an IPv6 address in brackets");
  }
}

TEST_F(WardServerStartTest, AMissingPageFileIsRefusedWithItsName) {
  TestCertificate scratch;  // an empty folder of pages, but for the login page
  std::ofstream(scratch.Folder() + "/login.html") << "<!DOCTYPE html>";
  WardServerOptions options = TestOptions();
  options.wwwFolder = scratch.Folder();
  const auto fault = TryStart(options);
  ASSERT_TRUE(fault);
  EXPECT_NE(fault->find("the page file " + scratch.Folder() + "/login.js cannot be read"), std::string::npos) << *fault;
}

TEST_F(WardServerStartTest, TheSourceTreesPagesAreFoundWhenRunFromTheBuild) {
  EXPECT_TRUE(std::filesystem::exists(WardServer::DefaultWwwFolder() + "/login.html")) << WardServer::DefaultWwwFolder();
}

TEST_F(WardServerStartTest, ACertificateOrKeyThatCannotBeUsedIsRefused) {
  TestCertificate tls;
  ASSERT_TRUE(tls.Made());
  WardServerOptions options = TestOptions();
  options.certificateFile = tls.Folder() + "/missing.pem";
  options.keyFile = tls.Key();
  auto fault = TryStart(options);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->rfind("cannot use the TLS certificate " + options.certificateFile + ": ", 0), 0u) << *fault;

  options.certificateFile = tls.Certificate();
  options.keyFile = tls.OtherKey();
  fault = TryStart(options);
  ASSERT_TRUE(fault);
  EXPECT_TRUE(fault->starts_with("cannot use the TLS key") ||
              *fault == "the TLS key " + tls.OtherKey() + " does not belong to the certificate " + tls.Certificate())
      << *fault;

  options.keyFile = "";
  fault = TryStart(options);
  ASSERT_TRUE(fault);
  EXPECT_EQ(*fault, "TLS needs both a certificate and its key");
}

TEST_F(WardServerStartTest, AnAddressInUseIsRefused) {
  Start();
  WardServerOptions options = TestOptions();
  options.address = "127.0.0.1:" + std::to_string(m_port);
  FakeWard ward(m_loop);
  WardServer second(m_loop, ward, options);
  const auto fault = second.Start();
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->rfind("cannot listen on " + options.address + ": ", 0), 0u) << *fault;
}

// Over TLS (any address may then be used; the test keeps to loopback): the certificate checks
// out, a login's cookie is Secure, every response asks for HSTS, and the live stream runs as wss.
TEST_F(WardServerStartTest, TlsServesPagesLoginsAndTheLiveStream) {
  TestCertificate tls;
  ASSERT_TRUE(tls.Made());
  WardServerOptions options = TestOptions();
  options.certificateFile = tls.Certificate();
  options.keyFile = tls.Key();
  Start(options);
  auto client = webtest::TrustingContext(tls.Certificate());

  webtest::Connection<webtest::TlsStream> page(m_port, &client);
  ASSERT_FALSE(page.Open());
  const auto login = page.Send(Get("/login"));
  ASSERT_TRUE(login);
  EXPECT_EQ(login->result_int(), 200);
  EXPECT_EQ(webtest::View((*login)["Strict-Transport-Security"]), "max-age=31536000");

  webtest::Connection<webtest::TlsStream> logging(m_port, &client);
  ASSERT_FALSE(logging.Open());
  const auto answer = logging.Send(webtest::Request(http::verb::post, "/api/login", m_port, "", m_origin, "",
                                                    R"({"user":"midwife","password":"correct horse battery"})"));
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->result_int(), 200) << answer->body();
  const std::string setCookie = webtest::View((*answer)[http::field::set_cookie]);
  EXPECT_TRUE(setCookie.ends_with("; Path=/; HttpOnly; SameSite=Strict; Secure")) << setCookie;

  webtest::LiveConnection<webtest::TlsStream> live(m_port, &client);
  ASSERT_FALSE(live.Open(webtest::CookieOf(*answer), m_origin));
  const auto ward = live.Read();
  ASSERT_TRUE(ward);
  EXPECT_EQ((*ward)["type"], "ward");
  EXPECT_EQ((*ward)["beds"].size(), 4u);
}

TEST_F(WardServerStartTest, ATlsServerClosesAPlainConnectionWithinTheRequestTimeout) {
  TestCertificate tls;
  ASSERT_TRUE(tls.Made());
  WardServerOptions options = TestOptions();
  options.certificateFile = tls.Certificate();
  options.keyFile = tls.Key();
  options.requestTimeout = 1s;
  Start(options);
  PlainConnection plain(m_port);
  ASSERT_FALSE(plain.Open());
  ASSERT_TRUE(plain.WriteRaw("GET /login HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
  std::string received;
  EXPECT_TRUE(plain.ReadUntilClosed(received, 5s));
  EXPECT_EQ(received.find("HTTP/1.1 200"), std::string::npos);
  // A client that never begins its handshake is closed by the same timeout.
  PlainConnection silent(m_port);
  ASSERT_FALSE(silent.Open());
  EXPECT_TRUE(silent.ReadUntilClosed(received, 5s));
}

}  // namespace
