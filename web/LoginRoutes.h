#pragma once

#include <memory>
#include <string>

#include "web/WardService.h"

class WebExchange;

// The routes of logging in and out. A login names its user and password in JSON; the answer
// never tells an unknown user from a wrong password, and a user name or an address with too many
// failures is refused for a while (429) without a check. A login opens a session (a new cookie,
// the old one of the browser ended) and answers the session's write token.
class LoginRoutes {
 public:
  static constexpr std::size_t kMaxUserBytes = 64;
  static constexpr std::size_t kMaxPasswordBytes = 1024;

  static void Login(const std::shared_ptr<WebExchange>& exchange);
  static void Logout(const std::shared_ptr<WebExchange>& exchange);
  // Who is logged in, the write token and the idle timeout, for a page that opens.
  static void Session(const std::shared_ptr<WebExchange>& exchange);

 private:
  static void Checked(const std::shared_ptr<WebExchange>& exchange, const std::string& user,
                      WardService::LoginCheck check);
  static void Open(const std::shared_ptr<WebExchange>& exchange, const std::string& user);
  static std::string Cookie(const std::string& value, bool tls, bool clear);
};
