#include "web/LiveClient.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "web/LiveBatch.h"
#include "web/WardJson.h"
#include "web/WebHub.h"

using nlohmann::json;

namespace {

constexpr std::int64_t kPeriodMs = TraceBatch::kSamplePeriod.count();

// The index of the first of `count` samples from `startMs` that lies at or after `fromMs`.
std::size_t FirstFrom(std::int64_t startMs, std::int64_t fromMs, std::size_t count) {
  if (fromMs <= startMs) return 0;
  const auto first = static_cast<std::size_t>((fromMs - startMs + kPeriodMs - 1) / kPeriodMs);
  return std::min(first, count);
}

std::shared_ptr<const std::string> Text(const json& message) { return std::make_shared<const std::string>(message.dump()); }

}  // namespace

LiveClient::LiveClient(std::shared_ptr<WebHub> hub, std::string loginKey)
    : WebConnection(std::move(hub)), m_loginKey(std::move(loginKey)) {}

LiveClient::~LiveClient() {
  Hub().RemoveLive(this);
  Count(-static_cast<std::ptrdiff_t>(m_bytes));
}

void LiveClient::Opened() {
  Hub().AddLive(this);
  SendWard();
}

void LiveClient::SendWard() { Queue({Text({{"type", "ward"}, {"beds", WardJson::Beds(Hub().Ward().Beds())}})}); }

void LiveClient::SendError(const std::string& message) { Queue({Text({{"type", "error"}, {"message", message}})}); }

bool LiveClient::Received(const std::string& text) {
  const json command = json::parse(text, nullptr, false);
  if (command.is_discarded() || !command.is_object()) return false;
  if (!KeepLoginAlive()) return true;
  bool understood = false;
  for (const auto& [name, subscribe] : {std::pair{"subscribe", true}, std::pair{"unsubscribe", false}}) {
    const auto beds = command.find(name);
    if (beds == command.end()) continue;
    if (!beds->is_array()) return false;
    for (const json& bed : *beds) {
      if (!bed.is_number_integer()) return false;
      const auto number = bed.get<std::int64_t>();
      const int known = number >= 1 && number <= 100'000 ? static_cast<int>(number) : 0;
      if (subscribe) Subscribe(known);
      else Unsubscribe(known);
    }
    understood = true;
  }
  return understood;
}

bool LiveClient::KeepLoginAlive() {
  const auto now = LoginSessions::Clock::now();
  LoginSessions::Session* session = Hub().Logins().FindKey(m_loginKey, now);
  if (!session) {
    End("the login session has ended");
    return false;
  }
  session->lastSeen = now;
  return true;
}

void LiveClient::Subscribe(int bed) {
  if (m_subscriptions.contains(bed)) return;
  const auto beds = Hub().Ward().Beds();
  if (std::none_of(beds.begin(), beds.end(), [&](const BedView& view) { return view.bed == bed && bed != 0; })) {
    SendError("there is no such bed to watch");
    return;
  }
  Subscription& subscription = m_subscriptions[bed];
  if (!m_behind) CatchUp(bed, subscription);
}

void LiveClient::Unsubscribe(int bed) {
  const auto found = m_subscriptions.find(bed);
  if (found == m_subscriptions.end()) return;
  Count(-static_cast<std::ptrdiff_t>(HeldBytes(found->second)));
  m_subscriptions.erase(found);
}

void LiveClient::CatchUp(int bed, Subscription& subscription) {
  const std::uint64_t ticket = m_nextTicket++;
  subscription.catchUp = ticket;
  const auto now = std::chrono::system_clock::now();
  auto from = now - kCatchUpSpan;
  if (subscription.sentUntilMs) {
    from = std::max(from, std::chrono::system_clock::time_point(std::chrono::milliseconds(*subscription.sentUntilMs)));
  }
  Hub().Ward().Trace(bed, from, now,
                     Hub().Later<ServiceResult<BedTrace>>(
                         [weak = weak_from_this(), bed, ticket](ServiceResult<BedTrace> answer) {
                           if (const auto self = weak.lock()) self->CaughtUp(bed, ticket, std::move(answer));
                         }));
}

void LiveClient::CaughtUp(int bed, std::uint64_t ticket, ServiceResult<BedTrace> answer) {
  const auto found = m_subscriptions.find(bed);
  if (m_ended || found == m_subscriptions.end() || found->second.catchUp != ticket) return;
  Subscription& subscription = found->second;
  subscription.catchUp = 0;
  Count(-static_cast<std::ptrdiff_t>(HeldBytes(subscription)));
  const auto held = std::move(subscription.held);
  subscription.held.clear();

  if (answer.status != ServiceStatus::Done) {
    SendError("bed " + std::to_string(bed) + ": " + answer.message);
  } else {
    const TraceBatch& trace = answer.value.samples;
    const std::int64_t startMs = WardJson::Milliseconds(trace.start);
    const std::size_t count = trace.samples.size();
    const std::size_t first = subscription.sentUntilMs ? FirstFrom(startMs, *subscription.sentUntilMs, count) : 0;
    auto message = std::make_shared<const std::string>(
        WardJson::Samples(bed, trace, first, "trace", &answer.value.alarms));
    const bool hasSamples = first < count;
    if (!Queue({message, hasSamples ? bed : 0, startMs + kPeriodMs * static_cast<std::int64_t>(first)})) return;
    if (hasSamples) subscription.sentUntilMs = startMs + kPeriodMs * static_cast<std::int64_t>(count);
  }
  for (const auto& batch : held) {
    if (m_behind) return;
    Forward(bed, subscription, batch);
  }
}

void LiveClient::Deliver(const std::shared_ptr<const LiveBatch>& batch) {
  if (m_ended || m_behind) return;
  const auto found = m_subscriptions.find(batch->bed);
  if (found == m_subscriptions.end()) return;
  if (found->second.catchUp) {
    Hold(found->second, batch);
  } else {
    Forward(batch->bed, found->second, batch);
  }
}

void LiveClient::Forward(int bed, Subscription& subscription, const std::shared_ptr<const LiveBatch>& batch) {
  const std::int64_t endMs = batch->EndMs();
  if (subscription.sentUntilMs && endMs <= *subscription.sentUntilMs) return;
  Outgoing message{batch->message, bed, batch->startMs};
  if (subscription.sentUntilMs && batch->startMs < *subscription.sentUntilMs) {
    // The rest of a batch whose beginning the trace already brought: a message of its own.
    const std::size_t first = FirstFrom(batch->startMs, *subscription.sentUntilMs, batch->batch.samples.size());
    message = {std::make_shared<const std::string>(WardJson::Samples(bed, batch->batch, first, "samples")), bed,
               batch->startMs + kPeriodMs * static_cast<std::int64_t>(first)};
  }
  if (Queue(std::move(message))) subscription.sentUntilMs = endMs;
}

void LiveClient::Hold(Subscription& subscription, const std::shared_ptr<const LiveBatch>& batch) {
  const std::size_t size = Cost(*batch);
  if (Waiting() > 0 && Waiting() + size > Hub().Options().liveQueueBytes) {
    CutBack();
    return;
  }
  subscription.held.push_back(batch);
  Count(static_cast<std::ptrdiff_t>(size));
}

void LiveClient::Broadcast(const std::shared_ptr<const std::string>& message) {
  if (m_ended || m_behind) return;
  Queue({message});
}

bool LiveClient::Queue(Outgoing message) {
  if (m_ended) return false;
  const std::size_t size = Cost(message);
  if (Waiting() > 0 && Waiting() + size > Hub().Options().liveQueueBytes) {
    CutBack();
    return false;
  }
  m_queue.push_back(std::move(message));
  Count(static_cast<std::ptrdiff_t>(size));
  if (!m_writing) WriteFront();
  return true;
}

void LiveClient::WriteFront() {
  m_writing = true;
  m_writingBytes = Cost(m_queue.front());
  Write(*m_queue.front().text);
}

void LiveClient::Written() {
  m_writing = false;
  Count(-static_cast<std::ptrdiff_t>(m_writingBytes));
  m_writingBytes = 0;
  m_queue.pop_front();
  if (m_ended) return;
  if (m_behind) {
    Resume();
  } else if (!m_queue.empty()) {
    WriteFront();
  }
}

void LiveClient::CutBack() {
  Hub().LiveCutBack();
  // A bed's samples that are dropped were never sent: its catch-up begins at the first of them.
  for (std::size_t index = m_writing ? 1 : 0; index < m_queue.size(); ++index) {
    const Outgoing& message = m_queue[index];
    const auto subscription = m_subscriptions.find(message.bed);
    if (message.bed == 0 || subscription == m_subscriptions.end()) continue;
    auto& sentUntil = subscription->second.sentUntilMs;
    if (!sentUntil || *sentUntil > message.firstMs) sentUntil = message.firstMs;
  }
  DropWaiting();
  for (auto& [bed, subscription] : m_subscriptions) subscription.catchUp = 0;
  m_behind = true;
  if (!m_writing) {
    boost::asio::post(Hub().Loop(), [weak = weak_from_this()] {
      if (const auto self = weak.lock(); self && self->m_behind && !self->m_ended) self->Resume();
    });
  }
}

void LiveClient::DropWaiting() {
  std::size_t dropped = 0;
  const std::size_t kept = m_writing ? 1 : 0;
  for (std::size_t index = kept; index < m_queue.size(); ++index) dropped += Cost(m_queue[index]);
  m_queue.resize(kept);
  for (auto& [bed, subscription] : m_subscriptions) {
    dropped += HeldBytes(subscription);
    subscription.held.clear();
  }
  Count(-static_cast<std::ptrdiff_t>(dropped));
}

void LiveClient::Resume() {
  m_behind = false;
  SendWard();
  for (auto& [bed, subscription] : m_subscriptions) {
    if (m_behind) return;
    CatchUp(bed, subscription);
  }
}

void LiveClient::End(const std::string& reason) {
  if (m_ended) return;
  m_ended = true;
  DropWaiting();
  Finish(reason, m_writing);
}

// What the strings and vectors hold allocated, not only what they use.
std::size_t LiveClient::Cost(const Outgoing& message) { return message.text->capacity() + kBookkeepingBytes; }

std::size_t LiveClient::Cost(const LiveBatch& batch) {
  return batch.message->capacity() + batch.batch.samples.capacity() * sizeof(TraceSample) + kBookkeepingBytes;
}

std::size_t LiveClient::HeldBytes(const Subscription& subscription) {
  std::size_t bytes = 0;
  for (const auto& batch : subscription.held) bytes += Cost(*batch);
  return bytes;
}

void LiveClient::Count(std::ptrdiff_t delta) {
  m_bytes = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(m_bytes) + delta);
  Hub().LiveQueueChanged(delta, m_bytes);
}
