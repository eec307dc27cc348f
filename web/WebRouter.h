#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "web/WebMessage.h"
#include "web/WebRoute.h"

class WebHub;

// The route table of the ward's web side, in one place: every method and path it answers, who
// may call it and the handler that answers it. Before a handler runs, the router has checked
// what the route asks: a login session (else 401, or a redirect to the login page for a page),
// and for a write the server's own Origin (else 403) and the session's token (else 403). A path
// it does not know is 404, a method the path does not take 405.
class WebRouter {
 public:
  using Respond = std::function<void(HttpResponse)>;

  // The name of the session cookie.
  static constexpr const char* kCookie = "vudoda_session";

  // Answers `request` from `address` through `respond`, at once or when the ward has answered.
  static void Handle(const std::shared_ptr<WebHub>& hub, HttpRequest request, const std::string& address,
                     Respond respond);
  // Whether the upgrade `request` may open a live stream: the key of its login session, or the
  // refusal to send (404 for another path, 401 without a session, 403 from another Origin).
  static std::variant<std::string, HttpResponse> AdmitLive(WebHub& hub, const HttpRequest& request);

  // The session cookie's value, if `request` carries one.
  static std::optional<std::string> SessionCookie(const HttpRequest& request);

  static std::vector<WebRoute> Routes();
  // The page files the routes serve (read from the www folder at the start).
  static std::vector<std::string> Files();
};
