#include "ward/BedSession.h"

#include "link/LoadKeyedPacket.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "ward/BedHost.h"

namespace asio = boost::asio;

namespace {

constexpr unsigned char kPatientHeader = 0xB1;
constexpr unsigned char kNumericsHeader = 0xC1;

std::string PeerText(const asio::ip::tcp::socket& socket) {
  boost::system::error_code error;
  const auto endpoint = socket.remote_endpoint(error);
  if (error) return "an unknown address";
  return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
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

}  // namespace

BedSession::BedSession(asio::ip::tcp::socket socket, BedHost& host)
    : m_socket(std::move(socket)),
      m_host(host),
      m_framer([this](const FrameEvent& event) { OnFrame(event); }),
      m_peer(PeerText(m_socket)),
      m_lastReceived(Clock::now()) {}

void BedSession::Start() { ReadSome(); }

void BedSession::Close() {
  m_closed = true;
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
                             const std::span<const unsigned char> bytes(self->m_buffer.data(), size);
                             self->m_host.OnLinkBytes(*self, bytes);
                             self->m_framer.Feed(bytes);
                             self->ReadSome();
                           });
}

void BedSession::OnFrame(const FrameEvent& event) {
  if (event.type == FrameEvent::Type::Packet) {
    Decode(event);
  } else {
    m_host.OnBadBytes(*this, event.length);
  }
}

void BedSession::Decode(const FrameEvent& event) {
  const unsigned char header = event.kind->typeHeader;
  if (header == kPatientHeader) {
    PKPatient_v110 patient;
    if (!HasWholeTexts(event.bytes) || !LoadKeyedPacket(patient, event.bytes)) {
      return m_host.OnBadBytes(*this, event.length);
    }
    m_host.OnPatient(*this, patient);
  } else if (header == kNumericsHeader) {
    PKParam_v110 numerics;
    if (!LoadKeyedPacket(numerics, event.bytes)) return m_host.OnBadBytes(*this, event.length);
    m_host.OnNumerics(*this, numerics);
  }
}
