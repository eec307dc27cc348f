#include "hospital/HospitalSender.h"

#include <array>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <deque>

#include "hospital/Hl7Ack.h"
#include "hospital/Hl7Message.h"
#include "hospital/MllpFramer.h"
#include "hospital/OutboundQueue.h"
#include "hospital/UniqueStamp.h"

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

std::string Seconds(std::chrono::milliseconds delay) {
  const long long tenths = (delay.count() + 50) / 100;
  return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s";
}

}  // namespace

class HospitalSender::Link : public std::enable_shared_from_this<Link> {
 public:
  Link(asio::io_context& loop, HospitalSenderOptions options, Offload offload, Event onEvent)
      : m_options(std::move(options)),
        m_offload(std::move(offload)),
        m_onEvent(std::move(onEvent)),
        m_queue(std::make_shared<OutboundQueue>(m_options.queueFolder)),
        m_socket(loop),
        m_resolver(loop),
        m_retryTimer(loop),
        m_answerTimer(loop),
        m_backoff(m_options.firstRetry) {}

  std::optional<std::string> Start() {
    OutboundQueue::Contents contents;
    if (std::optional<std::string> fault = m_queue->Open(contents)) return fault;
    m_waiting.assign(contents.waiting.begin(), contents.waiting.end());
    m_setAside = contents.setAside;
    m_stamps = UniqueStamp(contents.highest);
    if (!m_waiting.empty()) Log(std::to_string(m_waiting.size()) + " messages wait in the queue from before");
    Pump();
    return std::nullopt;
  }

  std::string Enqueue(Hl7Message message, Stored stored) {
    const std::uint64_t sequence = m_stamps.Next();
    const std::string controlId = std::to_string(sequence);
    message.Header().Set(10, controlId);
    ++m_storing;
    auto fault = std::make_shared<std::optional<std::string>>();
    std::weak_ptr<Link> weak = weak_from_this();
    m_offload([queue = m_queue, sequence, text = message.Serialise(), fault] { *fault = queue->Append(sequence, text); },
              [weak, sequence, fault, stored = std::move(stored)] {
                if (const auto self = weak.lock()) self->OnStored(sequence, *fault);
                if (stored) stored(*fault);
              });
    return controlId;
  }

  std::size_t Depth() const { return m_storing + m_waiting.size(); }
  std::size_t SetAsideCount() const { return m_setAside; }
  bool Connected() const { return m_connected; }

  void Stop() {
    m_stopped = true;
    Disconnect();
    m_retryTimer.cancel();
  }

 private:
  void OnStored(std::uint64_t sequence, const std::optional<std::string>& fault) {
    --m_storing;
    if (fault) {
      Log("message " + std::to_string(sequence) + " could not be queued: " + *fault);
      return;
    }
    m_waiting.push_back(sequence);
    Pump();
  }

  // Sends the oldest waiting message, unless one is under way or a retry is due later.
  void Pump() {
    if (m_stopped || m_busy || m_retrying || m_waiting.empty()) return;
    m_busy = true;
    const std::uint64_t sequence = m_waiting.front();
    auto text = std::make_shared<std::string>();
    auto fault = std::make_shared<std::optional<std::string>>();
    m_offload([queue = m_queue, sequence, text, fault] { *fault = queue->Read(sequence, *text); },
              [weak = weak_from_this(), text, fault] {
                const auto self = weak.lock();
                if (!self || self->m_stopped) return;
                if (*fault) {
                  self->RetryLater("cannot read the queued message: " + **fault);
                  return;
                }
                self->Send(std::move(*text));
              });
  }

  // Whether a completion belongs to the exchange under way (not to one that failed before).
  bool Current(std::uint64_t exchange) const { return !m_stopped && m_exchanging && exchange == m_exchange; }

  void Send(std::string text) {
    m_outgoing = MllpFramer::Wrap(text);
    m_exchanging = true;
    const std::uint64_t exchange = ++m_exchange;
    m_answerTimer.expires_after(m_options.answerTimeout);
    m_answerTimer.async_wait([weak = weak_from_this(), exchange](const boost::system::error_code& error) {
      const auto self = weak.lock();
      if (!error && self && self->Current(exchange)) {
        self->Fail("no answer within " + Seconds(self->m_options.answerTimeout));
      }
    });
    if (m_connected) {
      Write(exchange);
      return;
    }
    m_resolver.async_resolve(m_options.host, std::to_string(m_options.port),
                             [self = shared_from_this(), exchange](const boost::system::error_code& error,
                                                                   const tcp::resolver::results_type& endpoints) {
                               if (!self->Current(exchange)) return;
                               if (error) {
                                 self->Fail("cannot resolve " + self->m_options.host + ": " + error.message());
                                 return;
                               }
                               self->Connect(endpoints, exchange);
                             });
  }

  void Connect(const tcp::resolver::results_type& endpoints, std::uint64_t exchange) {
    asio::async_connect(m_socket, endpoints,
                        [self = shared_from_this(), exchange](const boost::system::error_code& error,
                                                              const tcp::endpoint&) {
                          if (!self->Current(exchange)) return;
                          if (error) {
                            self->Fail("cannot connect: " + error.message());
                            return;
                          }
                          self->m_connected = true;
                          self->m_framer = MllpFramer();
                          self->Log("connected to " + self->Where());
                          self->Write(exchange);
                        });
  }

  void Write(std::uint64_t exchange) {
    while (m_framer.Next()) {
      // answers nobody waited for: passed over, so that the next one read is this message's
    }
    asio::async_write(m_socket, asio::buffer(m_outgoing),
                      [self = shared_from_this(), exchange](const boost::system::error_code& error, std::size_t) {
                        if (!self->Current(exchange)) return;
                        if (error) {
                          self->Fail("cannot send: " + error.message());
                          return;
                        }
                        self->ReadAnswer(exchange);
                      });
  }

  void ReadAnswer(std::uint64_t exchange) {
    if (std::optional<std::string> answer = m_framer.Next()) {
      TakeAnswer(*answer);
      return;
    }
    m_socket.async_read_some(asio::buffer(m_buffer), [self = shared_from_this(), exchange](
                                                         const boost::system::error_code& error, std::size_t count) {
      if (!self->Current(exchange)) return;
      if (error) {
        self->Fail(error == asio::error::eof ? "the receiver closed the connection" : error.message());
        return;
      }
      if (!self->m_framer.Feed(std::string_view(self->m_buffer.data(), count))) {
        self->Fail("the answer's framing: " + *self->m_framer.Fault());
        return;
      }
      self->ReadAnswer(exchange);
    });
  }

  void TakeAnswer(const std::string& text) {
    m_exchanging = false;
    m_answerTimer.cancel();
    const std::uint64_t sequence = m_waiting.front();
    const std::string controlId = std::to_string(sequence);
    std::string fault;
    const std::optional<Hl7Message> message = Hl7Message::Parse(text, fault);
    std::optional<Hl7Ack::Reply> reply = message ? Hl7Ack::Read(*message, fault) : std::nullopt;
    if (!reply) {
      Fail("the answer to " + controlId + " is not an acknowledgement: " + fault);
      return;
    }
    if (reply->controlId != controlId) {
      Fail("the answer names message '" + reply->controlId.substr(0, 40) + "', not " + controlId);
      return;
    }
    const std::string& code = reply->code;
    if (code == "AA" || code == "CA") {
      Finish(sequence, std::nullopt);
    } else if (code == "AR" || code == "CR") {
      Finish(sequence, code + ": " + reply->text);
    } else if ((code == "AE" || code == "CE") && ++m_errorAnswers >= m_options.errorAttempts) {
      Finish(sequence, code + " " + std::to_string(m_errorAnswers) + " times: " + reply->text);
    } else if (code == "AE" || code == "CE") {
      RetryLater("message " + controlId + " answered " + code + " (" + std::to_string(m_errorAnswers) + " of " +
                 std::to_string(m_options.errorAttempts) + "): " + reply->text);
    } else {
      Fail("the answer to " + controlId + " has the code '" + code.substr(0, 10) + "'");
    }
  }

  // The head message leaves the queue: removed when accepted, else set aside with `refusal`.
  void Finish(std::uint64_t sequence, std::optional<std::string> refusal) {
    auto fault = std::make_shared<std::optional<std::string>>();
    m_offload(
        [queue = m_queue, sequence, refusal, fault] {
          *fault = refusal ? queue->SetAside(sequence, *refusal) : queue->Remove(sequence);
        },
        [weak = weak_from_this(), sequence, refusal, fault] {
          const auto self = weak.lock();
          if (!self || self->m_stopped) return;
          if (*fault) {
            self->RetryLater("message " + std::to_string(sequence) + " cannot leave the queue: " + **fault);
            return;
          }
          if (refusal) {
            ++self->m_setAside;
            self->Log("message " + std::to_string(sequence) + " refused (" + *refusal + "); set aside as " +
                      self->m_queue->SetAsidePathOf(sequence));
          }
          self->m_waiting.pop_front();
          self->m_errorAnswers = 0;
          self->m_backoff = self->m_options.firstRetry;
          self->m_busy = false;
          self->Pump();
        });
  }

  // The connection is not to be trusted: closed, and the message sent again later.
  void Fail(const std::string& reason) {
    const bool wasConnected = m_connected;
    Disconnect();
    RetryLater((wasConnected ? "connection to " : "no connection to ") + Where() + ": " + reason);
  }

  void RetryLater(const std::string& reason) {
    m_exchanging = false;
    m_answerTimer.cancel();
    m_busy = false;
    m_retrying = true;
    Log(reason + "; next attempt in " + Seconds(m_backoff));
    m_retryTimer.expires_after(m_backoff);
    m_retryTimer.async_wait([weak = weak_from_this()](const boost::system::error_code& error) {
      const auto self = weak.lock();
      if (error || !self) return;
      self->m_retrying = false;
      self->Pump();
    });
    m_backoff = std::min(m_backoff * 2, m_options.lastRetry);
  }

  void Disconnect() {
    boost::system::error_code ignored;
    m_resolver.cancel();
    m_socket.close(ignored);
    m_answerTimer.cancel();
    m_connected = false;
  }

  std::string Where() const { return m_options.host + ":" + std::to_string(m_options.port); }

  void Log(const std::string& text) {
    if (m_onEvent) m_onEvent(text);
  }

  HospitalSenderOptions m_options;
  Offload m_offload;
  Event m_onEvent;
  std::shared_ptr<OutboundQueue> m_queue;
  tcp::socket m_socket;
  tcp::resolver m_resolver;
  asio::steady_timer m_retryTimer;
  asio::steady_timer m_answerTimer;
  MllpFramer m_framer;
  std::array<char, 16384> m_buffer{};
  std::string m_outgoing;
  UniqueStamp m_stamps;
  std::deque<std::uint64_t> m_waiting;  // stored, oldest first; the front is the one under way
  std::size_t m_storing = 0;
  std::size_t m_setAside = 0;
  std::chrono::milliseconds m_backoff;
  int m_errorAnswers = 0;
  std::uint64_t m_exchange = 0;  // counts the exchanges begun
  bool m_exchanging = false;     // connecting, sending or waiting for the answer
  bool m_busy = false;      // the front message is being read, sent, answered or removed
  bool m_retrying = false;  // waiting for the retry timer
  bool m_connected = false;
  bool m_stopped = false;
};

HospitalSender::HospitalSender(asio::io_context& loop, HospitalSenderOptions options, Offload offload, Event onEvent)
    : m_link(std::make_shared<Link>(loop, std::move(options), std::move(offload), std::move(onEvent))) {}

HospitalSender::~HospitalSender() { Stop(); }

std::optional<std::string> HospitalSender::Start() { return m_link->Start(); }

std::string HospitalSender::Enqueue(Hl7Message message, Stored stored) {
  return m_link->Enqueue(std::move(message), std::move(stored));
}

std::size_t HospitalSender::Depth() const { return m_link->Depth(); }

std::size_t HospitalSender::SetAsideCount() const { return m_link->SetAsideCount(); }

bool HospitalSender::Connected() const { return m_link->Connected(); }

void HospitalSender::Stop() { m_link->Stop(); }
