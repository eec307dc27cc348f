#pragma once

#include <string>

class BedSession;
struct LinkPiece;

// What a bed's link reports to the station that owns it, in the order the bytes came. Every
// call comes from the station's event loop.
class BedHost {
 public:
  virtual ~BedHost() = default;

  // The next piece of the link: the one place where the station hears of a bed's bytes.
  virtual void OnLinkPiece(BedSession& session, const LinkPiece& piece) = 0;
  // The link ended (closed by the monitor or failed); the session is done.
  virtual void OnLinkEnded(BedSession& session, const std::string& reason) = 0;
};
