#pragma once

#include <boost/beast/http/status.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web/ServiceResult.h"
#include "web/WebHub.h"
#include "web/WebMessage.h"

// One request on its way to its answer: what the router found out about it (the numbers in its
// path, the login session it came with) and the ways to answer it. A handler that asks the ward
// keeps the exchange alive in the ward's answer and answers from there; each exchange is
// answered once.
class WebExchange {
 public:
  using Respond = std::function<void(HttpResponse)>;

  WebExchange(std::shared_ptr<WebHub> hub, HttpRequest request, std::string address, Respond respond);

  WebHub& Hub() const { return *m_hub; }
  const HttpRequest& Request() const { return m_request; }
  // The client's address, as the audit line names it.
  const std::string& Address() const { return m_address; }
  // The client a failed login is counted against (see WebAddress::Client).
  std::string Client() const;
  // The value of query parameter `name` ("...?from=1&to=2"), if given.
  std::optional<std::string> Query(std::string_view name) const;
  // The request's body as JSON; nullopt when it is not (answered 415 or 400 already).
  std::optional<nlohmann::json> JsonBody();

  // Set by the router before the handler runs.
  std::vector<std::uint64_t> numbers;  // the numbers of the path, in order ("{bed}", "{alarm}")
  std::string file;                    // the page file the route serves
  std::string user;                    // the login session's, on a route that needs one
  std::string loginKey;
  std::string token;

  void Send(HttpResponse response);
  void Json(boost::beast::http::status status, const nlohmann::json& body);
  void Error(boost::beast::http::status status, const std::string& message);
  // A refusal of the ward: NotFound 404, Conflict 409, Invalid 422, Failed 503.
  void Refused(ServiceStatus status, const std::string& message);

  // The ward's answer for `handler`, which gets this exchange and the result on the loop.
  template <class Result, class Handler>
  std::function<void(Result)> Later(const std::shared_ptr<WebExchange>& self, Handler handler) {
    return m_hub->Later<Result>([self, handler](Result result) { handler(self, std::move(result)); });
  }

 private:
  std::shared_ptr<WebHub> m_hub;
  HttpRequest m_request;
  std::string m_address;
  Respond m_respond;
};
