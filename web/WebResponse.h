#pragma once

#include <boost/beast/http/status.hpp>
#include <string>

#include "web/WebMessage.h"

// The responses of the ward's web side. Every response leaves through Finish, which gives it
// the headers that keep the pages safe in a browser: a Content-Security-Policy that allows
// scripts, styles and connections from the station only (no inline script) and no framing,
// nosniff, no referrer, no caching of anything (patient data included), and HSTS under TLS.
class WebResponse {
 public:
  static HttpResponse Make(boost::beast::http::status status, std::string contentType, std::string body);
  // {"error": message} with `status`.
  static HttpResponse Error(boost::beast::http::status status, const std::string& message);
  // A redirect (303 See Other) to `location`, a path of this server.
  static HttpResponse Redirect(const std::string& location);
  // Sets the protocol version, whether the connection stays open, the length and the safety
  // headers.
  static void Finish(HttpResponse& response, unsigned version, bool keepAlive, bool tls);
};
