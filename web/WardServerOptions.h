#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// How the ward's web side listens and what it bounds. The defaults are the station's.
struct WardServerOptions {
  // Where to listen, ADDRESS:PORT: an IPv4 address, an IPv6 address in brackets, or
  // localhost; port 0 lets the system choose (WardServer::Port tells which).
  std::string address = "127.0.0.1:8443";
  // The TLS certificate chain and its private key, PEM files. Without them the server speaks
  // plain HTTP, which it does only on a loopback address.
  std::string certificateFile;
  std::string keyFile;
  // The folder of the pages (login.html, ward.html, their scripts and style); empty: the
  // installed share/vudoda/www, else the source tree's web/www (WardServer::DefaultWwwFolder).
  std::string wwwFolder;

  // A login session ends after this long without a request from it (or a message on its live
  // stream).
  std::chrono::seconds idleTimeout = std::chrono::minutes(15);
  // A request (its line, headers and body) or a TLS handshake must arrive within this long,
  // a response be taken within it, and a connection idle between requests is closed after it.
  std::chrono::milliseconds requestTimeout = std::chrono::seconds(30);
  // A live stream whose browser sends nothing, not even the answer to a ping, for this long
  // is closed.
  std::chrono::milliseconds liveTimeout = std::chrono::seconds(60);
  // Connections open at once (pages, requests and live streams together); one more is closed
  // as soon as it is accepted.
  std::size_t maxConnections = 256;
  // What a live stream may hold queued for its browser; a browser that does not read is cut
  // back to the latest state when one more message would pass this, and catches up from the
  // trace when it reads again.
  std::size_t liveQueueBytes = 4 * 1024 * 1024;

  // Failed logins: after this many for one user name, or from one address, within the
  // window, logins for it are refused for the block's length.
  int loginFailuresAllowed = 5;
  std::chrono::seconds loginFailureWindow = std::chrono::minutes(1);
  std::chrono::seconds loginBlock = std::chrono::seconds(30);
};
