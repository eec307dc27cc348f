#include <regex>
#include <thread>

#include "web/WebServerTest.h"

namespace {

using namespace std::chrono_literals;
namespace http = webtest::http;

// Every route of the server's table, walked with every kind of request that must be refused:
// without a session, with a forged or an idled-out one, and, for writes, from another Origin or
// without the session's token. The table is the server's own (WardServer::Routes), so a new
// route is walked without a change here.
class RouteMatrixTest : public WebServerTest {
 protected:
  struct Call {
    WebRoute route;
    int status = 0;
    std::string location;
  };

  static std::string Target(const WebRoute& route) {
    return std::regex_replace(route.path, std::regex(R"(\{[a-z]+\})"), "1");
  }

  static http::verb Verb(const WebRoute& route) { return route.method == "POST" ? http::verb::post : http::verb::get; }

  // Calls `route` as a browser would (the live stream: as an upgrade), with what is given.
  Call Make(const WebRoute& route, const std::string& cookie, const std::string& origin, const std::string& token) {
    Call call;
    call.route = route;
    if (route.kind == WebRoute::Kind::Live) {
      PlainLive live(m_port);
      const auto error = live.Open(cookie, origin);
      call.status = error ? live.Refusal().result_int() : 101;
      if (error) ExpectSafetyHeaders(route, live.Refusal());
      return call;
    }
    const auto response = Send(webtest::Request(Verb(route), Target(route), m_port, cookie, origin, token,
                                                route.method == "POST" ? "{}" : ""));
    EXPECT_TRUE(response) << route.method << " " << route.path;
    if (!response) return call;
    call.status = response->result_int();
    call.location = webtest::View((*response)[http::field::location]);
    ExpectSafetyHeaders(route, *response);
    return call;
  }

  template <class Response>
  static void ExpectSafetyHeaders(const WebRoute& route, const Response& response) {
    const std::string policy = webtest::View(response["Content-Security-Policy"]);
    EXPECT_NE(policy.find("script-src 'self';"), std::string::npos) << route.path << ": " << policy;
    EXPECT_NE(policy.find("frame-ancestors 'none'"), std::string::npos) << route.path;
    EXPECT_EQ(policy.find("unsafe-inline"), std::string::npos) << route.path;
    EXPECT_EQ(webtest::View(response["X-Content-Type-Options"]), "nosniff") << route.path;
    EXPECT_EQ(webtest::View(response[http::field::cache_control]), "no-store") << route.path;
  }

  // What every route that needs a session answers without one: the login page for a page,
  // 401 for the rest.
  void ExpectRefusedWithoutSession(const std::string& cookie, const std::string& why) {
    for (const WebRoute& route : WardServer::Routes()) {
      if (route.access == WebRoute::Access::Public) continue;
      const Call call = Make(route, cookie, m_origin, "");
      if (route.kind == WebRoute::Kind::Page) {
        EXPECT_EQ(call.status, 303) << why << ": " << route.method << " " << route.path;
        EXPECT_EQ(call.location, "/login") << why << ": " << route.path;
      } else {
        EXPECT_EQ(call.status, 401) << why << ": " << route.method << " " << route.path;
      }
    }
  }

  std::vector<WebRoute> Writes() const {
    std::vector<WebRoute> writes;
    for (const WebRoute& route : WardServer::Routes()) {
      if (route.write) writes.push_back(route);
    }
    return writes;
  }
};

TEST_F(RouteMatrixTest, TheTableHoldsThePagesTheApiAndTheLiveStream) {
  std::vector<std::string> routes;
  for (const WebRoute& route : WardServer::Routes()) routes.push_back(route.method + " " + route.path);
  for (const char* expected : {"GET /login", "GET /ward", "POST /api/login", "POST /api/logout", "GET /api/ward",
                               "GET /api/beds/{bed}/trace", "GET /api/beds/{bed}/strip.pdf",
                               "POST /api/alarms/{alarm}/acknowledge", "POST /api/beds/{bed}/patient", "GET /api/live"}) {
    EXPECT_NE(std::find(routes.begin(), routes.end(), expected), routes.end()) << expected;
  }
  for (const WebRoute& route : WardServer::Routes()) {
    // Only the login page, its files and the login itself are for anyone.
    const bool loginSide = route.path == "/login" || route.path == "/login.js" || route.path == "/style.css" ||
                           route.path == "/api/login";
    EXPECT_EQ(route.access == WebRoute::Access::Public, loginSide) << route.path;
    EXPECT_EQ(route.write, route.method == "POST") << route.path;
  }
}

TEST_F(RouteMatrixTest, WithoutASessionEveryRouteButTheLoginSideIsRefused) {
  Start();
  ExpectRefusedWithoutSession("", "no cookie");
}

TEST_F(RouteMatrixTest, AForgedCookieIsNoSession) {
  Start();
  ASSERT_TRUE(LogIn());  // a session exists, and none of these is its cookie
  ExpectRefusedWithoutSession(std::string(64, 'a'), "forged");
  ExpectRefusedWithoutSession("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdeg", "not hex");
  ExpectRefusedWithoutSession(std::string(65, '1'), "too long");
  ExpectRefusedWithoutSession("x", "too short");
}

TEST_F(RouteMatrixTest, AnIdledOutOrLoggedOutSessionIsNoSession) {
  WardServerOptions options = TestOptions();
  options.idleTimeout = 1s;
  Start(options);
  const auto idle = LogIn();
  const auto leaving = LogIn(FakeWard::kOtherUser, FakeWard::kOtherPassword);
  ASSERT_TRUE(idle && leaving);
  const auto logout = Send(Post("/api/logout", *leaving, "{}"));
  ASSERT_TRUE(logout);
  ASSERT_EQ(logout->result_int(), 200);
  ExpectRefusedWithoutSession(leaving->cookie, "logged out");
  std::this_thread::sleep_for(1200ms);
  ExpectRefusedWithoutSession(idle->cookie, "idled out");
}

TEST_F(RouteMatrixTest, EveryWriteRefusesAnotherOriginOrAMissingToken) {
  Start();
  const auto login = LogIn();
  ASSERT_TRUE(login);
  const std::string port = std::to_string(m_port);
  for (const WebRoute& route : Writes()) {
    for (const std::string& origin : {std::string("https://ward.example"), std::string("null"), std::string(),
                                      "https://127.0.0.1:" + port, "http://127.0.0.1:" + port + ".example"}) {
      EXPECT_EQ(Make(route, login->cookie, origin, login->token).status, 403) << route.path << " from '" << origin << "'";
    }
    if (route.access == WebRoute::Access::Public) continue;
    EXPECT_EQ(Make(route, login->cookie, m_origin, "").status, 403) << route.path << " without a token";
    std::string wrong = login->token;
    wrong[0] = wrong[0] == 'a' ? 'b' : 'a';
    EXPECT_EQ(Make(route, login->cookie, m_origin, wrong).status, 403) << route.path << " with a wrong token";
  }
  // The live stream opens only from the station's own pages.
  for (const WebRoute& route : WardServer::Routes()) {
    if (route.kind != WebRoute::Kind::Live) continue;
    EXPECT_EQ(Make(route, login->cookie, "https://ward.example", "").status, 403);
    EXPECT_EQ(Make(route, login->cookie, "", "").status, 403);
  }
}

// With its session, from the station's own pages and with the token, every route answers (the
// made-up ward has no alarm 1, so acknowledging it is 404; an empty correction is 400).
TEST_F(RouteMatrixTest, WithASessionEveryRouteAnswers) {
  Start();
  auto login = LogIn();
  ASSERT_TRUE(login);
  for (const WebRoute& route : WardServer::Routes()) {
    if (route.path == "/api/logout" || route.path == "/api/login") continue;
    const Call call = Make(route, login->cookie, m_origin, login->token);
    const std::map<std::string, int> expected{{"/", 303},
                                              {"/api/alarms/{alarm}/acknowledge", 404},
                                              {"/api/live", 101}};
    const auto special = expected.find(route.path);
    if (route.method == "POST" && route.path == "/api/beds/{bed}/patient") {
      EXPECT_EQ(call.status, 400) << route.path;
    } else {
      EXPECT_EQ(call.status, special == expected.end() ? 200 : special->second) << route.method << " " << route.path;
    }
  }
  WebRoute home;
  home.method = "GET";
  home.path = "/";
  EXPECT_EQ(Make(home, login->cookie, "", "").location, "/ward");
}

TEST_F(RouteMatrixTest, TheLoginSideAnswersAnyone) {
  Start();
  for (const auto& [target, type] : {std::pair{"/login", "text/html; charset=utf-8"},
                                     std::pair{"/login.js", "text/javascript; charset=utf-8"},
                                     std::pair{"/style.css", "text/css; charset=utf-8"}}) {
    const auto response = Send(Get(target));
    ASSERT_TRUE(response) << target;
    EXPECT_EQ(response->result_int(), 200) << target;
    EXPECT_EQ(webtest::View((*response)[http::field::content_type]), type) << target;
    EXPECT_FALSE(response->body().empty()) << target;
  }
}

TEST_F(RouteMatrixTest, UnknownPathsAre404AndUnknownMethods405) {
  Start();
  const auto login = LogIn();
  ASSERT_TRUE(login);
  for (const char* target : {"/api/wards", "/login.html", "/../etc/passwd", "/api/beds/x/trace", "/api/beds//trace",
                             "/api/beds/1234567890123456789/trace", "/ward.js/", "/api/beds/1/trace/extra"}) {
    const auto response = Send(Get(target, login->cookie));
    ASSERT_TRUE(response) << target;
    EXPECT_EQ(response->result_int(), 404) << target;
    EXPECT_EQ(response->body(), R"({"error":"there is no such page"})") << target;
  }
  const auto deleting = Send(webtest::Request(http::verb::delete_, "/api/ward", m_port, login->cookie, m_origin));
  ASSERT_TRUE(deleting);
  EXPECT_EQ(deleting->result_int(), 405);
  EXPECT_EQ(webtest::View((*deleting)[http::field::allow]), "GET");
  const auto patient = Send(webtest::Request(http::verb::put, "/api/beds/2/patient", m_port, login->cookie, m_origin));
  ASSERT_TRUE(patient);
  EXPECT_EQ(webtest::View((*patient)[http::field::allow]), "GET, POST");
}

}  // namespace
