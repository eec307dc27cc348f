#include "web/WebExchange.h"

#include <boost/asio/ip/address.hpp>

#include "web/WebAddress.h"
#include "web/WebResponse.h"

namespace http = boost::beast::http;

WebExchange::WebExchange(std::shared_ptr<WebHub> hub, HttpRequest request, std::string address, Respond respond)
    : m_hub(std::move(hub)), m_request(std::move(request)), m_address(std::move(address)), m_respond(std::move(respond)) {}

std::string WebExchange::Client() const {
  boost::system::error_code error;
  const auto address = boost::asio::ip::make_address(m_address, error);
  return error ? m_address : WebAddress::Client(address);
}

std::optional<std::string> WebExchange::Query(std::string_view name) const {
  const std::string_view target = View(m_request.target());
  const auto question = target.find('?');
  if (question == std::string_view::npos) return std::nullopt;
  std::string_view query = target.substr(question + 1);
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    const auto equals = pair.find('=');
    if (pair.substr(0, equals) == name) {
      return std::string(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

std::optional<nlohmann::json> WebExchange::JsonBody() {
  const std::string_view type = View(m_request[http::field::content_type]);
  if (type.substr(0, type.find(';')) != "application/json") {
    Error(http::status::unsupported_media_type, "the request's body must be application/json");
    return std::nullopt;
  }
  nlohmann::json body = nlohmann::json::parse(m_request.body(), nullptr, false);
  if (body.is_discarded()) {
    Error(http::status::bad_request, "the request's body is not JSON");
    return std::nullopt;
  }
  return body;
}

void WebExchange::Send(HttpResponse response) { m_respond(std::move(response)); }

void WebExchange::Json(http::status status, const nlohmann::json& body) {
  Send(WebResponse::Make(status, "application/json", body.dump()));
}

void WebExchange::Error(http::status status, const std::string& message) { Send(WebResponse::Error(status, message)); }

void WebExchange::Refused(ServiceStatus status, const std::string& message) {
  switch (status) {
    case ServiceStatus::NotFound: return Error(http::status::not_found, message);
    case ServiceStatus::Conflict: return Error(http::status::conflict, message);
    case ServiceStatus::Invalid: return Error(http::status::unprocessable_entity, message);
    case ServiceStatus::Done:
    case ServiceStatus::Failed: break;
  }
  Error(http::status::service_unavailable, message);
}
