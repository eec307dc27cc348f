#pragma once

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <string_view>

// The HTTP messages of the ward's web side: requests and responses with their whole body in a
// string (a request's is at most 16 KiB; a response's is a page, JSON or a strip's PDF).
using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;
using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;

// Beast (in Boost 1.74) has a string_view of its own; the web side works with the standard one.
inline std::string_view View(boost::beast::string_view text) { return {text.data(), text.size()}; }
