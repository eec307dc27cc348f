#include "web/LoginRoutes.h"

#include <boost/beast/http/field.hpp>

#include "web/WebExchange.h"
#include "web/WebResponse.h"
#include "web/WebRouter.h"

namespace http = boost::beast::http;
using nlohmann::json;

namespace {

const std::string kNotRight = "the user name or the password is not right";

// A user name or password as a browser sends it: text of 1 to `limit` bytes, no control characters.
std::optional<std::string> Credential(const json& body, const char* name, std::size_t limit) {
  const auto found = body.find(name);
  if (found == body.end() || !found->is_string()) return std::nullopt;
  std::string text = found->get<std::string>();
  if (text.empty() || text.size() > limit) return std::nullopt;
  for (const unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return std::nullopt;
  }
  return text;
}

// The session cookie the request came with, ended: a new login begins a new session.
void EndFormerSession(WebExchange& exchange) {
  const auto cookie = WebRouter::SessionCookie(exchange.Request());
  if (!cookie) return;
  if (auto* former = exchange.Hub().Logins().Find(*cookie, LoginSessions::Clock::now())) {
    const std::string key = former->key;
    exchange.Hub().EndLogin(key, "a new login began in this browser");
  }
}

}  // namespace

void LoginRoutes::Login(const std::shared_ptr<WebExchange>& exchange) {
  const auto body = exchange->JsonBody();
  if (!body) return;
  const auto user = body->is_object() ? Credential(*body, "user", kMaxUserBytes) : std::nullopt;
  const auto password = body->is_object() ? Credential(*body, "password", kMaxPasswordBytes) : std::nullopt;
  if (!user || !password) {
    return exchange->Error(http::status::bad_request, "a login needs \"user\" and \"password\" as text");
  }
  WebHub& hub = exchange->Hub();
  if (const auto wait = hub.Throttle().Begin(*user, exchange->Client(), LoginThrottle::Clock::now())) {
    HttpResponse refusal = WebResponse::Error(
        http::status::too_many_requests,
        "too many failed logins: try again in " + std::to_string(wait->count()) + " s");
    refusal.set(http::field::retry_after, std::to_string(wait->count()));
    return exchange->Send(std::move(refusal));
  }
  hub.Ward().CheckLogin(*user, *password,
                        exchange->Later<WardService::LoginCheck>(
                            exchange, [user = *user](const std::shared_ptr<WebExchange>& self,
                                                     WardService::LoginCheck check) { Checked(self, user, check); }));
}

void LoginRoutes::Checked(const std::shared_ptr<WebExchange>& exchange, const std::string& user,
                          WardService::LoginCheck check) {
  WebHub& hub = exchange->Hub();
  const std::string client = exchange->Client();
  switch (check) {
    case WardService::LoginCheck::Accepted:
      hub.Throttle().Passed(user, client);
      return Open(exchange, user);
    case WardService::LoginCheck::Refused:
      hub.Audit(AuditEntry::Action::FailedLogin, user, exchange->Address());
      if (hub.Throttle().Failed(user, client, LoginThrottle::Clock::now())) {
        hub.Audit(AuditEntry::Action::LoginsRefused, user, exchange->Address(),
                  "logins refused for " + std::to_string(hub.Options().loginBlock.count()) + " s");
      }
      return exchange->Error(http::status::unauthorized, kNotRight);
    case WardService::LoginCheck::Unavailable:
      hub.Throttle().Abandoned(user, client);
      return exchange->Error(http::status::service_unavailable, "the station cannot check logins now");
  }
}

void LoginRoutes::Open(const std::shared_ptr<WebExchange>& exchange, const std::string& user) {
  WebHub& hub = exchange->Hub();
  EndFormerSession(*exchange);
  if (const auto displaced = hub.Logins().Displaced()) hub.EndLogin(displaced->key, "too many logins");
  const std::string cookie = hub.OpenLogin(user, exchange->Address());
  const LoginSessions::Session* session = hub.Logins().Find(cookie, LoginSessions::Clock::now());
  hub.Audit(AuditEntry::Action::Login, user, exchange->Address());
  HttpResponse response = WebResponse::Make(http::status::ok, "application/json",
                                            json{{"user", user}, {"token", session->token}}.dump());
  response.set(http::field::set_cookie, Cookie(cookie, hub.Tls() != nullptr, false));
  exchange->Send(std::move(response));
}

void LoginRoutes::Logout(const std::shared_ptr<WebExchange>& exchange) {
  WebHub& hub = exchange->Hub();
  hub.EndLogin(exchange->loginKey, "logged out");
  hub.Audit(AuditEntry::Action::Logout, exchange->user, exchange->Address());
  HttpResponse response = WebResponse::Make(http::status::ok, "application/json", "{}");
  response.set(http::field::set_cookie, Cookie("", hub.Tls() != nullptr, true));
  exchange->Send(std::move(response));
}

void LoginRoutes::Session(const std::shared_ptr<WebExchange>& exchange) {
  exchange->Json(http::status::ok, {{"user", exchange->user},
                                    {"token", exchange->token},
                                    {"idleTimeoutSeconds", exchange->Hub().Options().idleTimeout.count()}});
}

std::string LoginRoutes::Cookie(const std::string& value, bool tls, bool clear) {
  std::string cookie = std::string(WebRouter::kCookie) + "=" + value + "; Path=/; HttpOnly; SameSite=Strict";
  if (clear) cookie += "; Max-Age=0";
  if (tls) cookie += "; Secure";
  return cookie;
}
