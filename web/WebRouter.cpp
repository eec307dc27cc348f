#include "web/WebRouter.h"

#include <boost/beast/http/field.hpp>
#include <boost/beast/http/status.hpp>
#include <charconv>
#include <string_view>

#include "web/LoginRoutes.h"
#include "web/SessionToken.h"
#include "web/WardRoutes.h"
#include "web/WebExchange.h"
#include "web/WebHub.h"
#include "web/WebResponse.h"

namespace http = boost::beast::http;

namespace {

using Kind = WebRoute::Kind;
using Access = WebRoute::Access;
using Handler = void (*)(const std::shared_ptr<WebExchange>&);

struct Row {
  WebRoute route;
  Handler handler;
  const char* file = "";
};

// Every route, once. A new page file or API is one more row.
const std::vector<Row>& Table() {
  static const std::vector<Row> table{
      {{"GET", "/", Kind::Page, Access::Session, false, "redirect to the ward page"}, &WardRoutes::Home},
      {{"GET", "/login", Kind::Page, Access::Public, false, "the login page"}, &WardRoutes::ServeFile, "login.html"},
      {{"GET", "/login.js", Kind::File, Access::Public, false, "the login page's script"}, &WardRoutes::ServeFile,
       "login.js"},
      {{"GET", "/style.css", Kind::File, Access::Public, false, "the pages' style"}, &WardRoutes::ServeFile,
       "style.css"},
      {{"GET", "/ward", Kind::Page, Access::Session, false, "the ward page"}, &WardRoutes::ServeFile, "ward.html"},
      {{"GET", "/ward.js", Kind::File, Access::Session, false, "the ward page's script"}, &WardRoutes::ServeFile,
       "ward.js"},
      {{"GET", "/api.js", Kind::File, Access::Session, false, "the ward page's module: the pages' requests to the station"},
       &WardRoutes::ServeFile, "api.js"},
      {{"GET", "/live.js", Kind::File, Access::Session, false, "the ward page's module: the live stream, kept open"},
       &WardRoutes::ServeFile, "live.js"},
      {{"GET", "/trace-store.js", Kind::File, Access::Session, false, "the ward page's module: the beds' samples as the page holds them"},
       &WardRoutes::ServeFile, "trace-store.js"},
      {{"GET", "/strip-layout.js", Kind::File, Access::Session, false, "the ward page's module: the strip's paper conventions"},
       &WardRoutes::ServeFile, "strip-layout.js"},
      {{"GET", "/strip-draw.js", Kind::File, Access::Session, false, "the ward page's module: the strip's drawing: grid, traces, marks, alarm bands"},
       &WardRoutes::ServeFile, "strip-draw.js"},
      {{"GET", "/elements.js", Kind::File, Access::Session, false,
        "the ward page's module: its elements made, and written only where they change"},
       &WardRoutes::ServeFile, "elements.js"},
      {{"GET", "/tiles.js", Kind::File, Access::Session, false, "the ward page's module: the ward's tiles"},
       &WardRoutes::ServeFile, "tiles.js"},
      {{"GET", "/bed.js", Kind::File, Access::Session, false, "the ward page's module: a bed's scrolling strip"},
       &WardRoutes::ServeFile, "bed.js"},
      {{"GET", "/alarms.js", Kind::File, Access::Session, false, "the ward page's module: the alarm list and acknowledging"},
       &WardRoutes::ServeFile, "alarms.js"},
      {{"GET", "/sound.js", Kind::File, Access::Session, false, "the ward page's module: the alarm sound"},
       &WardRoutes::ServeFile, "sound.js"},
      {{"GET", "/patient.js", Kind::File, Access::Session, false, "the ward page's module: the admission form"},
       &WardRoutes::ServeFile, "patient.js"},
      {{"GET", "/clock.js", Kind::File, Access::Session, false, "the ward page's module: local wall time as the pages show it"},
       &WardRoutes::ServeFile, "clock.js"},
      {{"POST", "/api/login", Kind::Api, Access::Public, true,
        "logs in {\"user\",\"password\"}: {\"user\",\"token\"} and the session cookie; 401, 429 (too many failures)"},
       &LoginRoutes::Login},
      {{"POST", "/api/logout", Kind::Api, Access::Session, true, "logs out: the session and its live streams end"},
       &LoginRoutes::Logout},
      {{"GET", "/api/session", Kind::Api, Access::Session, false,
        "{\"user\",\"token\",\"idleTimeoutSeconds\"} of the session"},
       &LoginRoutes::Session},
      {{"GET", "/api/ward", Kind::Api, Access::Session, false, "{\"beds\":[bed...]}: every bed as it is now"},
       &WardRoutes::Ward},
      {{"GET", "/api/alarms", Kind::Api, Access::Session, false, "{\"alarms\":[alarm...]}: the ward's alarm history"},
       &WardRoutes::Alarms},
      {{"GET", "/api/beds/{bed}/alarms", Kind::Api, Access::Session, false,
        "{\"alarms\":[alarm...]}: the bed's alarm history"},
       &WardRoutes::BedAlarms},
      {{"POST", "/api/alarms/{alarm}/acknowledge", Kind::Api, Access::Session, true,
        "acknowledges the alarm: the alarm as it stands"},
       &WardRoutes::Acknowledge},
      {{"GET", "/api/beds/{bed}/trace", Kind::Api, Access::Session, false,
        "the bed's trace ?from=&to= (ms; at most 2 h; default the last 10 min) with its alarms"},
       &WardRoutes::Trace},
      {{"GET", "/api/beds/{bed}/strip.pdf", Kind::Api, Access::Session, false,
        "the bed's CTG strip ?from=&to= (ms; at most 24 h; default the last 30 min) as PDF"},
       &WardRoutes::Strip},
      {{"GET", "/api/beds/{bed}/patient", Kind::Api, Access::Session, false,
        "the monitored patient {\"id\",\"firstName\",\"lastName\",\"birthday\",\"version\"}"},
       &WardRoutes::Patient},
      {{"POST", "/api/beds/{bed}/patient", Kind::Api, Access::Session, true,
        "corrects the monitored patient (with the version read): the stored record; 409 with the current one"},
       &WardRoutes::CorrectPatient},
      {{"GET", "/api/alarm-texts", Kind::Api, Access::Session, false,
        "{\"FHR1\":{\"code\":text...},...}: the monitors' alarm statuses' map texts in the station language"},
       &WardRoutes::AlarmTexts},
      {{"GET", "/api/live", Kind::Live, Access::Session, false,
        "the live stream (WebSocket): the ward, bed and alarm changes, subscribed beds' samples"},
       &WardRoutes::LiveWithoutUpgrade},
  };
  return table;
}

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

// Whether `path` is `pattern`, where a segment "{name}" takes 1 to 18 digits; the numbers in
// `numbers`.
bool Matches(std::string_view pattern, std::string_view path, std::vector<std::uint64_t>& numbers) {
  numbers.clear();
  while (!pattern.empty() || !path.empty()) {
    if (pattern.empty() || path.empty() || pattern.front() != '/' || path.front() != '/') return false;
    pattern.remove_prefix(1);
    path.remove_prefix(1);
    const std::string_view expected = pattern.substr(0, pattern.find('/'));
    const std::string_view given = path.substr(0, path.find('/'));
    if (expected.starts_with('{')) {
      std::uint64_t number = 0;
      const auto [end, error] = std::from_chars(given.data(), given.data() + given.size(), number);
      if (given.empty() || given.size() > 18 || error != std::errc() || end != given.data() + given.size()) return false;
      numbers.push_back(number);
    } else if (expected != given) {
      return false;
    }
    pattern.remove_prefix(expected.size());
    path.remove_prefix(given.size());
  }
  return true;
}

}  // namespace

std::optional<std::string> WebRouter::SessionCookie(const HttpRequest& request) {
  const std::string name = std::string(WebRouter::kCookie) + "=";
  for (auto field = request.find(http::field::cookie); field != request.end() && field->name() == http::field::cookie;
       ++field) {
    std::string_view cookies = View(field->value());
    while (!cookies.empty()) {
      const auto semicolon = cookies.find(';');
      std::string_view cookie = cookies.substr(0, semicolon);
      while (cookie.starts_with(' ')) cookie.remove_prefix(1);
      if (cookie.starts_with(name)) return std::string(cookie.substr(name.size()));
      if (semicolon == std::string_view::npos) break;
      cookies.remove_prefix(semicolon + 1);
    }
  }
  return std::nullopt;
}

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Whether the request comes from this server's own pages: its Origin is the scheme and the
// Host the browser addressed.
bool FromOwnOrigin(const HttpRequest& request, bool tls) {
  const std::string_view host = View(request[http::field::host]);
  const std::string_view origin = View(request[http::field::origin]);
  if (host.empty() || origin.empty()) return false;
  return EqualsIgnoringCase(origin, std::string(tls ? "https://" : "http://") + std::string(host));
}

const std::string kNotFromHere = "the request does not come from this station's pages";

// The login session of a request on route `route`, or the refusal to send.
std::variant<LoginSessions::Session*, HttpResponse> Admit(WebHub& hub, const HttpRequest& request, const WebRoute& route) {
  LoginSessions::Session* session = nullptr;
  const auto now = LoginSessions::Clock::now();
  if (route.access == Access::Session) {
    const auto cookie = WebRouter::SessionCookie(request);
    session = cookie ? hub.Logins().Find(*cookie, now) : nullptr;
    if (!session) {
      if (route.kind == Kind::Page) return WebResponse::Redirect("/login");
      return WebResponse::Error(http::status::unauthorized, "log in first");
    }
  }
  if (route.write || route.kind == Kind::Live) {
    if (!FromOwnOrigin(request, hub.Tls() != nullptr)) return WebResponse::Error(http::status::forbidden, kNotFromHere);
  }
  if (route.write && session && !SessionToken::Matches(session->token, View(request["X-CSRF-Token"]))) {
    return WebResponse::Error(http::status::forbidden, "the request lacks the session's token");
  }
  if (session) session->lastSeen = now;
  return session;
}

}  // namespace

void WebRouter::Handle(const std::shared_ptr<WebHub>& hub, HttpRequest request, const std::string& address,
                       Respond respond) {
  const auto exchange = std::make_shared<WebExchange>(hub, std::move(request), address, std::move(respond));
  const std::string_view path = PathOf(View(exchange->Request().target()));
  std::vector<std::uint64_t> numbers;
  std::string allowed;
  for (const Row& row : Table()) {
    if (!Matches(row.route.path, path, numbers)) continue;
    if (row.route.method != View(exchange->Request().method_string())) {
      allowed += (allowed.empty() ? "" : ", ") + row.route.method;
      continue;
    }
    auto admission = Admit(*hub, exchange->Request(), row.route);
    if (auto* refusal = std::get_if<HttpResponse>(&admission)) return exchange->Send(std::move(*refusal));
    if (auto* session = std::get<LoginSessions::Session*>(admission)) {
      exchange->user = session->user;
      exchange->loginKey = session->key;
      exchange->token = session->token;
    }
    exchange->numbers = std::move(numbers);
    exchange->file = row.file;
    return row.handler(exchange);
  }
  if (allowed.empty()) return exchange->Error(http::status::not_found, "there is no such page");
  HttpResponse refusal = WebResponse::Error(http::status::method_not_allowed, "the page does not take this method");
  refusal.set(http::field::allow, allowed);
  exchange->Send(std::move(refusal));
}

std::variant<std::string, HttpResponse> WebRouter::AdmitLive(WebHub& hub, const HttpRequest& request) {
  std::vector<std::uint64_t> numbers;
  for (const Row& row : Table()) {
    if (row.route.kind != Kind::Live || !Matches(row.route.path, PathOf(View(request.target())), numbers)) continue;
    auto admission = Admit(hub, request, row.route);
    if (auto* refusal = std::get_if<HttpResponse>(&admission)) return std::move(*refusal);
    return std::get<LoginSessions::Session*>(admission)->key;
  }
  return WebResponse::Error(http::status::not_found, "there is no live stream here");
}

std::vector<WebRoute> WebRouter::Routes() {
  std::vector<WebRoute> routes;
  for (const Row& row : Table()) routes.push_back(row.route);
  return routes;
}

std::vector<std::string> WebRouter::Files() {
  std::vector<std::string> files;
  for (const Row& row : Table()) {
    if (*row.file) files.emplace_back(row.file);
  }
  return files;
}
