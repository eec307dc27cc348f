#include <regex>
#include <thread>

#include "web/WebServerTest.h"

namespace {

using namespace std::chrono_literals;
namespace http = webtest::http;
using Action = AuditEntry::Action;

class LoginsTest : public WebServerTest {
 protected:
  // Logins blocked for one second after five failures in a minute, so that a test sees the end.
  static WardServerOptions ShortBlock() {
    WardServerOptions options = TestOptions();
    options.loginBlock = 1s;
    return options;
  }

  int LoginStatus(const std::string& user, const std::string& password, const std::string& source = "") {
    const auto response = TryLogIn(user, password, source);
    return response ? response->result_int() : 0;
  }

  std::vector<AuditEntry> AuditOf(Action action) {
    std::vector<AuditEntry> lines;
    for (const AuditEntry& entry : m_ward->AuditLines()) {
      if (entry.action == action) lines.push_back(entry);
    }
    return lines;
  }
};

TEST_F(LoginsTest, ALoginOpensASessionWithASafeCookieAndIsAudited) {
  Start();
  const auto before = std::chrono::system_clock::now();
  const auto response = TryLogIn(FakeWard::kUser, FakeWard::kPassword);
  ASSERT_TRUE(response);
  ASSERT_EQ(response->result_int(), 200);
  const std::string cookie = webtest::View((*response)[http::field::set_cookie]);
  EXPECT_TRUE(std::regex_match(cookie, std::regex("vudoda_session=[0-9a-f]{64}; Path=/; HttpOnly; SameSite=Strict")))
      << cookie;
  const auto body = nlohmann::json::parse(response->body());
  EXPECT_EQ(body["user"], "midwife");
  EXPECT_TRUE(std::regex_match(body["token"].get<std::string>(), std::regex("[0-9a-f]{64}")));
  EXPECT_NE(body["token"].get<std::string>(), webtest::CookieOf(*response));

  const auto session = Send(Get("/api/session", webtest::CookieOf(*response)));
  ASSERT_TRUE(session);
  EXPECT_EQ(nlohmann::json::parse(session->body()),
            nlohmann::json::parse(R"({"user":"midwife","idleTimeoutSeconds":900,"token":")" +
                                  body["token"].get<std::string>() + "\"}"));

  const auto logins = AuditOf(Action::Login);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].user, "midwife");
  EXPECT_EQ(logins[0].address, "127.0.0.1");
  EXPECT_GE(logins[0].time, before);
  EXPECT_LE(logins[0].time, std::chrono::system_clock::now());
}

TEST_F(LoginsTest, AnUnknownUserAndAWrongPasswordAreAnsweredAlikeAndAudited) {
  Start();
  const auto unknown = TryLogIn("nobody", "whatever");
  const auto wrong = TryLogIn(FakeWard::kUser, "wrong horse");
  ASSERT_TRUE(unknown && wrong);
  EXPECT_EQ(unknown->result_int(), 401);
  EXPECT_EQ(wrong->result_int(), 401);
  EXPECT_EQ(unknown->body(), R"({"error":"the user name or the password is not right"})");
  EXPECT_EQ(wrong->body(), unknown->body());
  EXPECT_TRUE(webtest::CookieOf(*wrong).empty());
  const auto failures = AuditOf(Action::FailedLogin);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].user, "nobody");
  EXPECT_EQ(failures[1].user, "midwife");
  EXPECT_EQ(failures[1].address, "127.0.0.1");
}

// Five failures for one name, from five addresses, block that name from every address for the
// block's length (known user or not), and only that name.
TEST_F(LoginsTest, FiveFailuresForOneNameBlockItsLoginsForAWhile) {
  Start(ShortBlock());
  for (const char* user : {FakeWard::kUser, "nobody"}) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      EXPECT_EQ(LoginStatus(user, "guess " + std::to_string(attempt), "127.0.0." + std::to_string(2 + attempt)), 401);
    }
  }
  const int checks = OnLoop([this] { return m_ward->m_loginChecks; });
  const auto blocked = TryLogIn(FakeWard::kUser, FakeWard::kPassword, "127.0.0.20");
  ASSERT_TRUE(blocked);
  EXPECT_EQ(blocked->result_int(), 429);
  EXPECT_EQ(blocked->body(), R"({"error":"too many failed logins: try again in 1 s"})");
  EXPECT_EQ(webtest::View((*blocked)[http::field::retry_after]), "1");
  EXPECT_EQ(LoginStatus("nobody", "anything", "127.0.0.21"), 429);
  EXPECT_EQ(OnLoop([this] { return m_ward->m_loginChecks; }), checks) << "a blocked login is not checked";
  EXPECT_EQ(LoginStatus(FakeWard::kOtherUser, FakeWard::kOtherPassword, "127.0.0.22"), 200);
  EXPECT_EQ(AuditOf(Action::LoginsRefused).size(), 2u);

  std::this_thread::sleep_for(1100ms);
  EXPECT_EQ(LoginStatus(FakeWard::kUser, FakeWard::kPassword, "127.0.0.20"), 200);
}

// Five failures from one address, with five names, block that address for every name.
TEST_F(LoginsTest, FiveFailuresFromOneAddressBlockItsLoginsForAWhile) {
  Start(ShortBlock());
  for (int attempt = 0; attempt < 5; ++attempt) {
    EXPECT_EQ(LoginStatus("user" + std::to_string(attempt), "guess", "127.0.0.9"), 401);
  }
  EXPECT_EQ(LoginStatus(FakeWard::kUser, FakeWard::kPassword, "127.0.0.9"), 429);
  EXPECT_EQ(LoginStatus(FakeWard::kUser, FakeWard::kPassword, "127.0.0.10"), 200);
  const auto refused = AuditOf(Action::LoginsRefused);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].address, "127.0.0.9");
  EXPECT_EQ(refused[0].detail, "logins refused for 1 s");
  std::this_thread::sleep_for(1100ms);
  EXPECT_EQ(LoginStatus(FakeWard::kUser, FakeWard::kPassword, "127.0.0.9"), 200);
}

TEST_F(LoginsTest, ASuccessfulLoginForgetsTheNamesFailures) {
  Start(ShortBlock());
  for (int round = 0; round < 3; ++round) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      EXPECT_EQ(LoginStatus(FakeWard::kUser, "typo", "127.0.0." + std::to_string(30 + round * 4 + attempt)), 401);
    }
    EXPECT_EQ(LoginStatus(FakeWard::kUser, FakeWard::kPassword, "127.0.0.60"), 200) << "round " << round;
  }
}

TEST_F(LoginsTest, UsersThatCannotBeCheckedAre503AndCountNoFailure) {
  Start(ShortBlock());
  OnLoop([this] { m_ward->m_usersAway = true; });
  for (int attempt = 0; attempt < 7; ++attempt) EXPECT_EQ(LoginStatus(FakeWard::kUser, FakeWard::kPassword), 503);
  OnLoop([this] { m_ward->m_usersAway = false; });
  EXPECT_EQ(LoginStatus(FakeWard::kUser, FakeWard::kPassword), 200);
  EXPECT_TRUE(AuditOf(Action::FailedLogin).empty());
}

TEST_F(LoginsTest, AMalformedLoginIsRefusedUnchecked) {
  Start();
  const auto post = [&](const std::string& body, const std::string& type) {
    auto request = webtest::Request(http::verb::post, "/api/login", m_port, "", m_origin, "", body);
    request.set(http::field::content_type, type);
    const auto response = Send(request);
    return response ? response->result_int() : 0;
  };
  EXPECT_EQ(post(R"({"user":"midwife","password":"correct horse battery"})", "text/plain"), 415);
  EXPECT_EQ(post("user=midwife&password=x", "application/x-www-form-urlencoded"), 415);
  EXPECT_EQ(post("{\"user\":", "application/json"), 400);
  EXPECT_EQ(post(R"(["midwife","x"])", "application/json"), 400);
  EXPECT_EQ(post(R"({"user":"midwife"})", "application/json"), 400);
  EXPECT_EQ(post(R"({"user":"","password":"x"})", "application/json"), 400);
  EXPECT_EQ(post(R"({"user":"mid\nwife","password":"x"})", "application/json"), 400);
  EXPECT_EQ(post(R"({"user":")" + std::string(65, 'u') + R"(","password":"x"})", "application/json"), 400);
  EXPECT_EQ(post(R"({"user":"midwife","password":12})", "application/json"), 400);
  EXPECT_EQ(post(R"({"user":"midwife","password":"correct horse battery"})", "application/json; charset=utf-8"), 200);
  EXPECT_EQ(OnLoop([this] { return m_ward->m_loginChecks; }), 1);
}

TEST_F(LoginsTest, ANewLoginInTheSameBrowserEndsItsFormerSession) {
  Start();
  const auto first = LogIn();
  ASSERT_TRUE(first);
  const auto second = TryLogIn(FakeWard::kOtherUser, FakeWard::kOtherPassword, "", first->cookie);
  ASSERT_TRUE(second);
  ASSERT_EQ(second->result_int(), 200);
  EXPECT_NE(webtest::CookieOf(*second), first->cookie);
  EXPECT_EQ(Send(Get("/api/session", first->cookie))->result_int(), 401);
  EXPECT_EQ(Send(Get("/api/session", webtest::CookieOf(*second)))->result_int(), 200);
  EXPECT_EQ(Status().loginSessions, 1u);
}

TEST_F(LoginsTest, LogoutEndsTheSessionAndItsLiveStreams) {
  Start();
  const auto login = LogIn();
  ASSERT_TRUE(login);
  PlainLive live(m_port);
  ASSERT_FALSE(live.Open(login->cookie, m_origin));
  ASSERT_TRUE(live.Read());  // the ward
  const auto logout = Send(Post("/api/logout", *login, "{}"));
  ASSERT_TRUE(logout);
  EXPECT_EQ(logout->result_int(), 200);
  EXPECT_EQ(webtest::View((*logout)[http::field::set_cookie]),
            "vudoda_session=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
  EXPECT_FALSE(live.Read(3s));
  EXPECT_TRUE(live.Closed());
  EXPECT_EQ(live.LastError(), webtest::websocket::error::closed);
  EXPECT_EQ(live.Socket().reason().reason, "logged out");
  const auto logouts = AuditOf(Action::Logout);
  ASSERT_EQ(logouts.size(), 1u);
  EXPECT_EQ(logouts[0].user, "midwife");
  EXPECT_EQ(Send(Get("/api/ward", login->cookie))->result_int(), 401);
}

// A session idle for the timeout ends, with its live stream, and the end is audited; commands on
// a live stream keep its session alive, the data the server pushes do not.
TEST_F(LoginsTest, AnIdleSessionEndsWithItsLiveStream) {
  WardServerOptions options = TestOptions();
  options.idleTimeout = 1s;
  Start(options);
  const auto idle = LogIn();
  const auto busy = LogIn(FakeWard::kOtherUser, FakeWard::kOtherPassword);
  ASSERT_TRUE(idle && busy);
  PlainLive idleLive(m_port);
  PlainLive busyLive(m_port);
  ASSERT_FALSE(idleLive.Open(idle->cookie, m_origin));
  ASSERT_FALSE(busyLive.Open(busy->cookie, m_origin));
  ASSERT_TRUE(idleLive.Read());
  ASSERT_TRUE(busyLive.Read());
  for (int beat = 0; beat < 8; ++beat) {
    ASSERT_TRUE(busyLive.Send(R"({"unsubscribe":[1]})"));
    std::this_thread::sleep_for(250ms);
  }
  EXPECT_FALSE(idleLive.Read(2s));
  EXPECT_EQ(idleLive.Socket().reason().reason, "the login session has ended");
  EXPECT_EQ(Send(Get("/api/ward", busy->cookie))->result_int(), 200);
  const auto expired = AuditOf(Action::SessionExpired);
  ASSERT_EQ(expired.size(), 1u);
  EXPECT_EQ(expired[0].user, "midwife");
}

// The station keeps its logins across a restart: a browser logged in before goes on with the
// same cookie and token; one that logged out stays out. What was kept is read line by line: a
// line cut short by a crash and one that is no session are passed over.
TEST_F(LoginsTest, LoginsOutliveARestartLogoutsToo) {
  Start();
  const auto staying = LogIn();
  const auto leaving = LogIn(FakeWard::kOtherUser, FakeWard::kOtherPassword);
  ASSERT_TRUE(staying && leaving);
  ASSERT_EQ(Send(Post("/api/logout", *leaving, "{}"))->result_int(), 200);
  StopServer();
  const std::string kept = m_ward->KeptLogins();
  EXPECT_EQ(kept.find(staying->cookie), std::string::npos) << "the cookie itself is kept nowhere";
  m_ward->KeepLogins(R"({"key":5,"user":"x"})" "\nnot json\n" + kept + kept.substr(0, kept.size() / 2));
  Restart();
  const auto session = Send(Get("/api/session", staying->cookie));
  ASSERT_TRUE(session);
  ASSERT_EQ(session->result_int(), 200);
  EXPECT_EQ(nlohmann::json::parse(session->body())["token"], staying->token);
  EXPECT_EQ(Send(Get("/api/session", leaving->cookie))->result_int(), 401);
  EXPECT_EQ(Status().loginSessions, 1u);
}

}  // namespace
