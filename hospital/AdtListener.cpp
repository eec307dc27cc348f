#include "hospital/AdtListener.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <algorithm>
#include <map>
#include <set>
#include <variant>
#include <vector>

#include "hospital/AdmissionReader.h"
#include "hospital/HospitalWard.h"
#include "hospital/Hl7Ack.h"
#include "hospital/Hl7Message.h"
#include "hospital/Hl7Time.h"
#include "hospital/MllpSession.h"
#include "hospital/SeenControlIds.h"
#include "hospital/UniqueStamp.h"
#include "platform/CodePage.h"

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

// The address a peer connects from, an IPv4 peer on an IPv6 socket written as IPv4.
asio::ip::address Plain(const asio::ip::address& address) {
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
  }
  return address;
}

// Sender and control ID, each as it stands in the message, so the key holds no line end.
std::string KeyOf(const Hl7Message& message) {
  const Hl7Delimiters plain;
  const Hl7Segment& header = message.Header();
  return header.Field(3).Serialise(plain) + '|' + header.Field(4).Serialise(plain) + '|' +
         header.Field(10).Serialise(plain);
}

std::string Name(const Hl7Message& message) {
  return message.Value("MSH", 9, 1) + "^" + message.Value("MSH", 9, 2) + " " + message.Value("MSH", 10);
}

}  // namespace

class AdtListener::Server : public std::enable_shared_from_this<Server> {
 public:
  Server(asio::io_context& loop, AdtListenerOptions options, HospitalWard& ward, Offload offload, Event onEvent)
      : m_options(std::move(options)),
        m_ward(ward),
        m_onEvent(std::move(onEvent)),
        m_acceptor(loop),
        m_seen(m_options.seenFile, m_options.seenCapacity, std::move(offload)) {}

  std::optional<std::string> Start() {
    if (m_options.allowedPeers.empty()) return "no peer is allowed to send admissions: name the hospital's";
    for (const std::string& peer : m_options.allowedPeers) {
      boost::system::error_code error;
      const asio::ip::address address = asio::ip::make_address(peer, error);
      if (error) return "'" + peer + "' is not an address";
      m_allowed.push_back(Plain(address));
    }
    if (std::optional<std::string> fault = m_seen.Load()) return fault;
    boost::system::error_code error;
    const asio::ip::address address = asio::ip::make_address(m_options.address, error);
    if (error) return "'" + m_options.address + "' is not an address";
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(m_options.port));
    m_acceptor.open(endpoint.protocol(), error);
    if (!error) m_acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) m_acceptor.bind(endpoint, error);
    if (!error) m_acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) return "cannot listen on " + m_options.address + ":" + std::to_string(m_options.port) + ": " + error.message();
    Accept();
    return std::nullopt;
  }

  int Port() const {
    boost::system::error_code error;
    const tcp::endpoint endpoint = m_acceptor.local_endpoint(error);
    return error ? 0 : endpoint.port();
  }

  void Stop() {
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    const auto sessions = m_sessions;
    for (const auto& session : sessions) session->Close("the station stops");
    m_pending.clear();
  }

 private:
  // A message handed to the ward, and every connection waiting for its answer.
  struct Pending {
    Hl7Message message;
    std::vector<MllpSession::Reply> replies;
  };

  void Accept() {
    m_acceptor.async_accept([self = shared_from_this()](const boost::system::error_code& error, tcp::socket socket) {
      if (error == asio::error::operation_aborted || !self->m_acceptor.is_open()) return;
      if (!error) self->Admit(std::move(socket));
      self->Accept();
    });
  }

  void Admit(tcp::socket socket) {
    boost::system::error_code error;
    const tcp::endpoint remote = socket.remote_endpoint(error);
    if (error) return;
    const asio::ip::address address = Plain(remote.address());
    const std::string peer = address.to_string();
    if (std::find(m_allowed.begin(), m_allowed.end(), address) == m_allowed.end()) {
      Log("ADT connection from " + peer + " refused: not an allowed peer");
      return;
    }
    if (m_sessions.size() >= m_options.maxConnections) {
      Log("ADT connection from " + peer + " refused: " + std::to_string(m_sessions.size()) + " connections already");
      return;
    }
    std::weak_ptr<Server> weak = weak_from_this();
    auto session = std::make_shared<MllpSession>(
        std::move(socket), peer,
        [weak, peer](std::string text, MllpSession::Reply reply) {
          if (const auto self = weak.lock()) self->Take(text, std::move(reply), peer);
        },
        m_options.frameTimeout,
        [weak](MllpSession& ended, const std::string& reason) {
          if (const auto self = weak.lock()) self->Forget(ended, reason);
        });
    m_sessions.insert(session);
    Log("ADT connection from " + peer);
    session->Start();
  }

  void Forget(MllpSession& ended, const std::string& reason) {
    Log("ADT connection from " + ended.Peer() + " ended: " + reason);
    for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
      if (it->get() == &ended) {
        m_sessions.erase(it);
        return;
      }
    }
  }

  void Take(const std::string& text, MllpSession::Reply reply, const std::string& peer) {
    std::string fault;
    const std::optional<Hl7Message> message = Hl7Message::Parse(text, fault);
    if (!message) {
      Log("ADT from " + peer + " not taken (AR): " + fault);
      reply(Ack(nullptr, Hl7Ack::Refusal{"AR", 100, "", 0, fault}));
      return;
    }
    const std::string key = KeyOf(*message);
    if (m_seen.Contains(key)) {
      Log(Name(*message) + " from " + peer + " answered again: taken before");
      reply(Ack(&*message, std::nullopt));
      return;
    }
    if (const auto pending = m_pending.find(key); pending != m_pending.end()) {
      pending->second.replies.push_back(std::move(reply));
      return;
    }
    auto read = AdmissionReader::Read(*message, m_options.beds, GetACP());
    if (const Hl7Ack::Refusal* refusal = std::get_if<Hl7Ack::Refusal>(&read)) {
      Log(Name(*message) + " from " + peer + " not taken (" + refusal->code + "): " + refusal->text);
      reply(Ack(&*message, *refusal));
      return;
    }
    m_pending.emplace(key, Pending{*message, {std::move(reply)}});
    HandToWard(std::get<AdmissionRecord>(read), key, peer);
  }

  void HandToWard(const AdmissionRecord& record, const std::string& key, const std::string& peer) {
    std::weak_ptr<Server> weak = weak_from_this();
    HospitalWard::Done done = [weak, key, peer, patient = record.patientId](std::optional<std::string> fault) {
      if (const auto self = weak.lock()) self->WardDone(key, peer, patient, std::move(fault));
    };
    switch (record.event) {
      case AdmissionRecord::Event::Admit:
      case AdmissionRecord::Event::Register: m_ward.Admit(record, std::move(done)); break;
      case AdmissionRecord::Event::Update: m_ward.Update(record, std::move(done)); break;
      case AdmissionRecord::Event::Discharge: m_ward.Discharge(record, std::move(done)); break;
    }
  }

  void WardDone(const std::string& key, const std::string& peer, const std::string& patient,
                std::optional<std::string> fault) {
    const auto pending = m_pending.find(key);
    if (pending == m_pending.end()) return;  // stopped meanwhile
    const std::string name = Name(pending->second.message);
    if (fault) {
      Log(name + " from " + peer + " not taken (AE): " + *fault);
      Answer(key, Hl7Ack::Refusal{"AE", 207, "", 0, *fault});
      return;
    }
    Log(name + " from " + peer + " taken: patient " + patient);
    std::weak_ptr<Server> weak = weak_from_this();
    m_seen.Add(key, [weak, key, name](std::optional<std::string> diskFault) {
      const auto self = weak.lock();
      if (!self) return;
      // The ward has taken it: the answer is AA even when the key did not reach the disk (a
      // repeat after a restart would then be taken again, which restates the same patient).
      if (diskFault) self->Log(name + ": the record of taken messages could not be written: " + *diskFault);
      self->Answer(key, std::nullopt);
    });
  }

  void Answer(const std::string& key, const std::optional<Hl7Ack::Refusal>& refusal) {
    const auto pending = m_pending.find(key);
    if (pending == m_pending.end()) return;
    Pending taken = std::move(pending->second);
    m_pending.erase(pending);
    const std::string ack = Ack(&taken.message, refusal);
    for (const MllpSession::Reply& reply : taken.replies) reply(ack);
  }

  std::string Ack(const Hl7Message* received, const std::optional<Hl7Ack::Refusal>& refusal) {
    const std::string controlId = "ACK" + std::to_string(m_stamps.Next());
    return Hl7Ack::Answer(received, refusal, controlId, Hl7Time::Instant(std::chrono::system_clock::now()))
        .Serialise();
  }

  void Log(const std::string& text) {
    if (m_onEvent) m_onEvent(text);
  }

  AdtListenerOptions m_options;
  HospitalWard& m_ward;
  Event m_onEvent;
  tcp::acceptor m_acceptor;
  std::vector<asio::ip::address> m_allowed;
  std::set<std::shared_ptr<MllpSession>> m_sessions;
  SeenControlIds m_seen;
  std::map<std::string, Pending> m_pending;
  UniqueStamp m_stamps;
};

AdtListener::AdtListener(asio::io_context& loop, AdtListenerOptions options, HospitalWard& ward, Offload offload,
                         Event onEvent)
    : m_server(std::make_shared<Server>(loop, std::move(options), ward, std::move(offload), std::move(onEvent))) {}

AdtListener::~AdtListener() { Stop(); }

std::optional<std::string> AdtListener::Start() { return m_server->Start(); }

int AdtListener::Port() const { return m_server->Port(); }

void AdtListener::Stop() { m_server->Stop(); }
