#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "web/BedTrace.h"
#include "web/ServiceResult.h"
#include "web/WebConnection.h"

struct LiveBatch;

// One browser's live stream, apart from the socket it runs on (LiveSession writes and reads).
//
// It sends the ward as it is when it opens, every bed's and alarm's change to come, and the
// samples of the beds the browser subscribes to ({"subscribe":[1,2]}, {"unsubscribe":[2]}):
// first the bed's trace over the last ten minutes (asked of the ward), then each batch as it
// arrives. Batches that arrive while the trace is asked for are held and follow it; what the
// trace already held is not sent again, so the browser receives each sample once and in order.
//
// Messages wait in a queue while one is written. What they cost (LiveClient::Cost: the text,
// a held batch's samples too, and the bookkeeping) is counted. When one more message would make
// what waits (queued and held) pass the queue limit, the stream is cut back: everything waiting is dropped,
// and nothing is queued until the message being written is taken. Then the stream sends the
// ward as it is and each subscribed bed's trace from the last sample the browser took (at most
// ten minutes back). So a browser that does not read holds at most the limit and the message
// being written (a single message larger than the limit is still sent, alone), and the ward
// never waits for it.
class LiveClient : public WebConnection, public std::enable_shared_from_this<LiveClient> {
 public:
  // How far back a subscription's first trace, and a catch-up, reach.
  static constexpr std::chrono::minutes kCatchUpSpan{10};
  // What a queued message costs beyond its text (its place in the queue, its shared pointer's
  // block, the allocations' rounding), so that the limit holds for the heap it takes.
  static constexpr std::size_t kBookkeepingBytes = 128;

  LiveClient(std::shared_ptr<WebHub> hub, std::string loginKey);
  ~LiveClient() override;

  const std::string& LoginKey() const { return m_loginKey; }
  bool Watches(int bed) const { return m_subscriptions.contains(bed); }

  // A batch of a bed the browser may watch.
  void Deliver(const std::shared_ptr<const LiveBatch>& batch);
  // A change every browser is sent (a bed's, an alarm's).
  void Broadcast(const std::shared_ptr<const std::string>& message);
  // Ends the stream: nothing more is queued, and the browser is told `reason` when nothing is
  // being written, else the connection is closed.
  void End(const std::string& reason);

 protected:
  // The stream is open: it joins the hub's live streams and sends the ward.
  void Opened();
  // The browser sent `text`. False when it is no command: the stream is to be ended.
  bool Received(const std::string& text);
  // The message being written has been taken.
  void Written();
  bool Ended() const { return m_ended; }

  // Starts writing `message`, which stays alive until Written.
  virtual void Write(const std::string& message) = 0;
  // Closes the stream with `reason`, or at once when `writing`.
  virtual void Finish(const std::string& reason, bool writing) = 0;

 private:
  // A message on its way; a trace's or samples' carries the first sample it sends.
  struct Outgoing {
    std::shared_ptr<const std::string> text;
    int bed = 0;  // 0: not a bed's samples
    std::int64_t firstMs = 0;
  };
  struct Subscription {
    std::optional<std::int64_t> sentUntilMs;  // the end of the last sample queued for the browser
    std::uint64_t catchUp = 0;                // the ticket of the trace asked for; 0: none
    std::vector<std::shared_ptr<const LiveBatch>> held;
  };

  // What a message or a held batch costs the server: its bytes and its bookkeeping.
  static std::size_t Cost(const Outgoing& message);
  static std::size_t Cost(const LiveBatch& batch);
  static std::size_t HeldBytes(const Subscription& subscription);
  bool Queue(Outgoing message);
  void WriteFront();
  void Forward(int bed, Subscription& subscription, const std::shared_ptr<const LiveBatch>& batch);
  void Hold(Subscription& subscription, const std::shared_ptr<const LiveBatch>& batch);
  void Subscribe(int bed);
  void Unsubscribe(int bed);
  void CatchUp(int bed, Subscription& subscription);
  void CaughtUp(int bed, std::uint64_t ticket, ServiceResult<BedTrace> answer);
  void SendWard();
  void SendError(const std::string& message);
  void CutBack();
  // Drops what waits: the queued messages but the one being written, and the held batches.
  void DropWaiting();
  void Resume();
  std::size_t Waiting() const { return m_bytes - m_writingBytes; }
  void Count(std::ptrdiff_t delta);
  bool KeepLoginAlive();

  std::string m_loginKey;
  std::map<int, Subscription> m_subscriptions;
  std::deque<Outgoing> m_queue;  // the front is being written while m_writing
  bool m_writing = false;
  bool m_behind = false;  // cut back, until the message being written is taken
  bool m_ended = false;
  std::size_t m_bytes = 0;         // queued (the one being written too) and held
  std::size_t m_writingBytes = 0;  // of those, the one being written
  std::uint64_t m_nextTicket = 1;
};
