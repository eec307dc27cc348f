#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hospital/AdtListenerOptions.h"
#include "hospital/HospitalApi.h"
#include "hospital/Offload.h"

namespace boost::asio {
class io_context;
}
class HospitalWard;

// The station's end of the hospital's admissions: an MLLP listener on the owner's event loop
// that takes ADT messages (A01 admit, A04 register, A08 update, A03 discharge; see
// AdmissionReader) from the peers the options allow, hands each, read into an AdmissionRecord,
// to the ward, and answers it once the ward is done: AA when taken, AE with the ward's reason
// when not, AE or AR with MSA-3 and ERR when the message cannot be taken (see Hl7Ack).
//
// A message is taken once: a message whose sender (MSH-3, MSH-4) and control ID (MSH-10) were
// taken before is answered AA again without reaching the ward, also after a restart (see
// SeenControlIds; its key is synced to disk through the offload before the AA is sent). The same
// message arriving again while the ward still works on it gets the first one's answer. A message
// the ward did not take may be sent again and is then handed to the ward again.
//
// A peer not on the allow-list, a connection beyond the limit, a framing fault and a frame that
// does not end in time are logged through `onEvent` and the connection closed. Every callback
// runs on the loop; the ward must outlive the listener.
class VUDODA_HOSPITAL_API AdtListener {
 public:
  using Event = std::function<void(const std::string& text)>;

  AdtListener(boost::asio::io_context& loop, AdtListenerOptions options, HospitalWard& ward, Offload offload,
              Event onEvent);
  ~AdtListener();
  AdtListener(const AdtListener&) = delete;
  AdtListener& operator=(const AdtListener&) = delete;

  // Reads the taken messages' keys and starts listening. The fault (no allowed peer, an address
  // that is not one, a port taken, an unreadable file), or nullopt.
  std::optional<std::string> Start();
  // The port it listens on (the chosen one when the options asked for any).
  int Port() const;
  // Stops listening and closes every connection; answers still owed are not sent.
  void Stop();

 private:
  class Server;
  std::shared_ptr<Server> m_server;
};
