#pragma once

#include <memory>

class WebHub;

// A connection of the ward's web side (a request's or a live stream's). It counts against the
// connection limit from its construction to its destruction, and holds the hub alive until
// then; stopping the server closes it.
class WebConnection {
 public:
  explicit WebConnection(std::shared_ptr<WebHub> hub);
  virtual ~WebConnection();
  WebConnection(const WebConnection&) = delete;
  WebConnection& operator=(const WebConnection&) = delete;

  // Closes the socket at once; what is under way ends with an error.
  virtual void Close() = 0;

 protected:
  WebHub& Hub() const { return *m_hub; }
  const std::shared_ptr<WebHub>& SharedHub() const { return m_hub; }

 private:
  std::shared_ptr<WebHub> m_hub;
};
