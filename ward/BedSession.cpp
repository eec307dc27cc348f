#include "ward/BedSession.h"

#include <algorithm>

#include "link/LoadKeyedPacket.h"
#include "link/PacketKind.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "ward/BedHost.h"
#include "ward/LinkPiece.h"

namespace asio = boost::asio;

namespace {

constexpr unsigned char kVersionHeader = 0xB0;
constexpr unsigned char kPatientHeader = 0xB1;
constexpr unsigned char kMonitorHeader = 0xB3;
constexpr unsigned char kNumericsHeader = 0xC1;
constexpr auto kAdmissionWindow = std::chrono::hours(1);

// The monitor's address alone; an IPv4 monitor that came over an IPv6 socket as IPv4.
asio::ip::address PlainAddress(const asio::ip::address& address) {
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
  }
  return address;
}

void PeerTexts(const asio::ip::tcp::socket& socket, std::string& peer, std::string& address) {
  boost::system::error_code error;
  const auto endpoint = socket.remote_endpoint(error);
  if (error) {
    peer = address = "an unknown address";
    return;
  }
  address = PlainAddress(endpoint.address()).to_string();
  peer = address + ":" + std::to_string(endpoint.port());
}

// The three text fields of a patient packet (identifier, last name, first name), 20 bytes each
// from offset 1.
constexpr std::size_t kPatientTextOffset = 1;
constexpr std::size_t kPatientTextWidth = 20;
constexpr std::size_t kPatientTexts = 3;

// A monitor writes each text zero-padded, without control characters; a block that is not so
// is garbled (random bytes can frame as a patient packet with a matching key), and admitting
// its "patient" would only fill the database with noise.
bool HasWholeTexts(std::span<const unsigned char> block) {
  for (std::size_t field = 0; field < kPatientTexts; ++field) {
    const auto text = block.subspan(kPatientTextOffset + field * kPatientTextWidth, kPatientTextWidth);
    bool ended = false;
    for (unsigned char byte : text) {
      if (byte == 0) ended = true;
      else if (ended || byte < 0x20 || byte == 0x7F) return false;
    }
  }
  return true;
}

// The largest packet: bytes further back than this from the end of what came cannot begin a
// packet still to be framed.
std::size_t LargestPacket() {
  static const std::size_t largest = [] {
    int size = 0;
    for (const PacketKind& kind : AllPacketKinds()) size = std::max(size, kind.size);
    return static_cast<std::size_t>(size);
  }();
  return largest;
}

// A run of unknown bytes is handed on in parts of at least this much while it goes on.
constexpr std::size_t kLongRun = 4096;

// A monitor sends one small packet at a time, about 20 a second. After a read that left the
// socket empty, a bed reads again only at the next tick of a grid of kReadPause that all beds
// share: by then its next packet has mostly come, and one wake of the loop reads every bed's
// packets, one read each, instead of a wake and two reads (one of them finding nothing) per
// packet. A packet so waits at most kReadPause, and the loop's rest between turns, before the
// station takes it.
constexpr auto kReadPause = std::chrono::milliseconds(30);

BedSession::Clock::time_point NextTick(BedSession::Clock::time_point now) {
  const auto ticks = now.time_since_epoch() / kReadPause;
  return BedSession::Clock::time_point((ticks + 1) * kReadPause);
}

}  // namespace

BedSession::BedSession(asio::ip::tcp::socket socket, BedHost& host)
    : m_socket(std::move(socket)),
      m_host(host),
      m_pause(m_socket.get_executor()),
      m_framer([this](const FrameEvent& event) { OnFrame(event); }),
      m_lastReceived(Clock::now()) {
  PeerTexts(m_socket, m_peer, m_address);
}

void BedSession::Start() { ReadSome(); }

void BedSession::Close() {
  m_closed = true;
  m_pause.cancel();
  boost::system::error_code ignored;
  m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  m_socket.close(ignored);
}

void BedSession::Refuse(const std::string& reason) {
  m_closed = true;
  auto text = std::make_shared<std::string>(reason);
  asio::async_write(m_socket, asio::buffer(*text),
                    [self = shared_from_this(), text](const boost::system::error_code&, std::size_t) { self->Close(); });
}

std::vector<unsigned char> BedSession::Context() const {
  std::vector<unsigned char> context(m_version);
  context.insert(context.end(), m_monitor.begin(), m_monitor.end());
  return context;
}

bool BedSession::MayAdmit(Clock::time_point now) {
  while (!m_admissions.empty() && now - m_admissions.front() >= kAdmissionWindow) m_admissions.pop_front();
  if (m_admissions.size() >= kAdmissionsPerHour) return false;
  m_admissions.push_back(now);
  return true;
}

void BedSession::ReadSome() {
  m_socket.async_read_some(asio::buffer(m_buffer),
                           [self = shared_from_this()](const boost::system::error_code& error, std::size_t size) {
                             if (self->m_closed) return;
                             if (error) {
                               self->m_framer.Finish();
                               self->m_closed = true;
                               const std::string reason =
                                   error == asio::error::eof ? "the monitor closed the link" : error.message();
                               self->m_host.OnLinkEnded(*self, reason);
                               return;
                             }
                             self->m_lastReceived = Clock::now();
                             self->Received(std::span<const unsigned char>(self->m_buffer.data(), size));
                             if (self->m_closed) return;
                             // A full buffer: more may wait in the socket already.
                             if (size == self->m_buffer.size()) return self->ReadSome();
                             self->ReadAtNextTick();
                           });
}

void BedSession::ReadAtNextTick() {
  m_pause.expires_at(NextTick(Clock::now()));
  m_pause.async_wait([self = shared_from_this()](const boost::system::error_code& error) {
    if (!error && !self->m_closed) self->ReadSome();
  });
}

void BedSession::Received(std::span<const unsigned char> bytes) {
  m_unsettled.insert(m_unsettled.end(), bytes.begin(), bytes.end());
  m_framer.Feed(bytes);
  SettleLongRun();
  m_unsettled.erase(m_unsettled.begin(), m_unsettled.begin() + static_cast<std::ptrdiff_t>(m_handed));
  m_handed = 0;
}

void BedSession::OnFrame(const FrameEvent& event) {
  const std::uint64_t end = event.offset + event.length;
  if (m_closed || end <= m_handedOffset) return;  // handed on already as part of a long run
  if (event.type != FrameEvent::Type::Packet) return HandOn(end, nullptr);
  if (event.offset > m_handedOffset) HandOn(event.offset, nullptr);
  HandOn(end, event.kind);
}

// Hands on the bytes up to stream offset `end`: a packet of `kind`, or (nullptr) bytes that
// make none.
void BedSession::HandOn(std::uint64_t end, const PacketKind* kind) {
  const auto bytes = std::span<const unsigned char>(m_unsettled).subspan(m_handed, static_cast<std::size_t>(end - m_handedOffset));
  PKPatient_v110 patient;
  PKParam_v110 numerics;
  LinkPiece piece{LinkPiece::Kind::Bad, bytes};
  if (kind && kind->typeHeader == kPatientHeader) {
    if (HasWholeTexts(bytes) && LoadKeyedPacket(patient, bytes)) piece = {LinkPiece::Kind::Patient, bytes, &patient};
  } else if (kind && kind->typeHeader == kNumericsHeader) {
    if (LoadKeyedPacket(numerics, bytes)) piece = {LinkPiece::Kind::Numerics, bytes, nullptr, &numerics};
  } else if (kind) {
    piece.kind = LinkPiece::Kind::Packet;
    if (kind->typeHeader == kVersionHeader) m_version.assign(bytes.begin(), bytes.end());
    if (kind->typeHeader == kMonitorHeader) m_monitor.assign(bytes.begin(), bytes.end());
  }
  m_handed += bytes.size();
  m_handedOffset = end;
  m_host.OnLinkPiece(*this, piece);
}

// The framer tells of a run of unknown bytes only where it ends; a long one (a flood of
// garbage) is handed on meanwhile, all but what could still begin a packet, so that the bytes
// kept here stay bounded.
void BedSession::SettleLongRun() {
  const std::size_t waiting = m_unsettled.size() - m_handed;
  if (m_closed || waiting < kLongRun + LargestPacket()) return;
  HandOn(m_handedOffset + waiting - (LargestPacket() - 1), nullptr);
}
