#pragma once

#include <string>

// One route of the ward's web side, as its table lists it (WardServer::Routes): the method and
// path (a segment in braces stands for a number, "{bed}", "{alarm}"), what answers it and who
// may call it.
struct WebRoute {
  // What answers: a page a browser navigates to (without a login session: a redirect to the
  // login page), a file a page loads, a JSON API, the live stream (a WebSocket upgrade).
  enum class Kind { Page, File, Api, Live };
  // Who may call it: anyone (the login page, its files, the login itself), or a login session.
  enum class Access { Public, Session };

  std::string method;
  std::string path;
  Kind kind = Kind::Api;
  Access access = Access::Session;
  // A write: besides the session, the request must come from the server's own Origin and carry
  // the session's token (header X-CSRF-Token); the login itself checks the Origin only.
  bool write = false;
  std::string what;  // what it returns, for a person
};
