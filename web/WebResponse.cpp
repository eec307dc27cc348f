#include "web/WebResponse.h"

#include <nlohmann/json.hpp>

namespace http = boost::beast::http;

namespace {

constexpr const char* kContentSecurityPolicy =
    "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "media-src 'self'; object-src 'none'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'";

}  // namespace

HttpResponse WebResponse::Make(http::status status, std::string contentType, std::string body) {
  HttpResponse response{status, 11};
  response.set(http::field::content_type, contentType);
  response.body() = std::move(body);
  return response;
}

HttpResponse WebResponse::Error(http::status status, const std::string& message) {
  return Make(status, "application/json", nlohmann::json{{"error", message}}.dump());
}

HttpResponse WebResponse::Redirect(const std::string& location) {
  HttpResponse response = Make(http::status::see_other, "text/plain; charset=utf-8", "See " + location + "\n");
  response.set(http::field::location, location);
  return response;
}

void WebResponse::Finish(HttpResponse& response, unsigned version, bool keepAlive, bool tls) {
  response.version(version);
  response.keep_alive(keepAlive);
  response.prepare_payload();
  response.set("Content-Security-Policy", kContentSecurityPolicy);
  response.set("X-Content-Type-Options", "nosniff");
  response.set("X-Frame-Options", "DENY");
  response.set("Referrer-Policy", "no-referrer");
  response.set(http::field::cache_control, "no-store");
  if (tls) response.set("Strict-Transport-Security", "max-age=31536000");
}
