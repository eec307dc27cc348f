#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hospital/HospitalApi.h"
#include "hospital/HospitalSenderOptions.h"
#include "hospital/Offload.h"

namespace boost::asio {
class io_context;
}
class Hl7Message;

// The station's messages to the hospital (ORU observations), through a durable queue, over MLLP.
//
// Enqueue gives a message its control ID (MSH-10: its sequence number, unique across restarts)
// and appends it to the queue on disk through the offload (see OutboundQueue); once it is there
// it is sent, in the order the messages were put in, one at a time, each waiting for its answer:
//   AA (or CA): the message leaves the queue (its file removed and the folder synced) before
//       the next is sent, so that an acknowledged message is never sent again;
//   AR (or CR): the receiver will never take it: it is set aside in the folder "rejected" with
//       the reason, logged, and the next one goes;
//   AE (or CE): the receiver could not take it now: it is sent again after the back-off, and
//       set aside after errorAttempts such answers in a row, so it cannot hold up the queue
//       for ever;
//   no connection, no answer in time, an answer that is not an ACK of this message: the
//       connection is closed and the same message sent again after the back-off (firstRetry,
//       doubling to lastRetry).
// A crash after the AA and before the file's removal sends that one message again after the
// restart; receivers take a control ID once. Messages stored before a restart are sent after
// it. Only the queue's sequence numbers are kept in memory, so a long outage costs disk, not
// memory. Every callback runs on the loop.
class VUDODA_HOSPITAL_API HospitalSender {
 public:
  using Event = std::function<void(const std::string& text)>;
  using Stored = std::function<void(std::optional<std::string> fault)>;

  HospitalSender(boost::asio::io_context& loop, HospitalSenderOptions options, Offload offload, Event onEvent);
  ~HospitalSender();
  HospitalSender(const HospitalSender&) = delete;
  HospitalSender& operator=(const HospitalSender&) = delete;

  // Opens the queue (on this thread: call it before the loop serves) and starts sending what
  // it holds. The fault, or nullopt.
  std::optional<std::string> Start();
  // Queues `message` under a new control ID, which it returns. `stored` runs on the loop once
  // the message is on disk, or with the fault when it could not be stored (it is then not in the
  // queue).
  std::string Enqueue(Hl7Message message, Stored stored = {});
  // Messages in the queue or on their way into it, not yet acknowledged.
  std::size_t Depth() const;
  // Messages set aside since the queue began (the files in "rejected").
  std::size_t SetAsideCount() const;
  // Whether the connection to the receiver is open.
  bool Connected() const;
  // Stops sending and closes the connection; what is in the queue stays there.
  void Stop();

 private:
  class Link;
  std::shared_ptr<Link> m_link;
};
