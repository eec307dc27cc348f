#include "web/WebHub.h"

#include <openssl/ssl.h>

#include <algorithm>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <vector>

#include "web/HttpSession.h"
#include "web/LiveBatch.h"
#include "web/LiveClient.h"
#include "web/WardJson.h"
#include "web/WebAddress.h"
#include "web/WebListener.h"
#include "web/WebRouter.h"

namespace asio = boost::asio;
namespace beast = boost::beast;

namespace {

// However many people log in, the server keeps at most this many sessions.
constexpr std::size_t kMaxLoginSessions = 1024;

// Idle sessions are looked for four times per idle timeout, at most every half minute.
std::chrono::milliseconds SweepInterval(std::chrono::seconds idleTimeout) {
  const auto quarter = std::chrono::duration_cast<std::chrono::milliseconds>(idleTimeout) / 4;
  return std::clamp(quarter, std::chrono::milliseconds(50), std::chrono::milliseconds(30'000));
}

}  // namespace

WebHub::WebHub(asio::io_context& loop, WardService& ward, WardServerOptions options)
    : m_loop(loop),
      m_ward(ward),
      m_options(std::move(options)),
      m_logins(m_options.idleTimeout, kMaxLoginSessions),
      m_throttle(m_options.loginFailuresAllowed, m_options.loginFailureWindow, m_options.loginBlock),
      m_sweep(loop) {}

WebHub::~WebHub() = default;

std::optional<std::string> WebHub::Start() {
  const auto endpoint = WebAddress::Parse(m_options.address);
  if (!endpoint) {
    return "'" + m_options.address + "' is no address to listen on: ADDRESS:PORT, an IPv6 address in brackets";
  }
  const bool wantsTls = !m_options.certificateFile.empty() || !m_options.keyFile.empty();
  if (!wantsTls && !WebAddress::IsLoopback(endpoint->address())) {
    return "plain HTTP is served only on a loopback address: " + m_options.address +
           " needs a TLS certificate and its key";
  }
  if (wantsTls) {
    if (auto fault = LoadTls()) return fault;
  }
  if (auto fault = m_files.Load(m_options.wwwFolder, WebRouter::Files())) return fault;
  m_listener = std::make_shared<WebListener>(m_loop, weak_from_this());
  if (auto fault = m_listener->Listen(*endpoint)) {
    m_listener.reset();
    return "cannot listen on " + m_options.address + ": " + *fault;
  }
  m_port = m_listener->Port();
  m_logins.Restore(m_ward.KeptLogins(), LoginSessions::Clock::now(), LoginSessions::WallClock::now());
  m_listener->Run();
  ScheduleSweep();
  return std::nullopt;
}

std::optional<std::string> WebHub::LoadTls() {
  if (m_options.certificateFile.empty() || m_options.keyFile.empty()) {
    return std::string("TLS needs both a certificate and its key");
  }
  asio::ssl::context context(asio::ssl::context::tls_server);
  context.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                      asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
  boost::system::error_code error;
  context.use_certificate_chain_file(m_options.certificateFile, error);
  if (error) return "cannot use the TLS certificate " + m_options.certificateFile + ": " + error.message();
  context.use_private_key_file(m_options.keyFile, asio::ssl::context::pem, error);
  if (error) return "cannot use the TLS key " + m_options.keyFile + ": " + error.message();
  if (SSL_CTX_check_private_key(context.native_handle()) != 1) {
    return "the TLS key " + m_options.keyFile + " does not belong to the certificate " + m_options.certificateFile;
  }
  m_tls.emplace(std::move(context));
  return std::nullopt;
}

void WebHub::Stop() {
  if (m_stopped) return;
  m_stopped = true;
  if (m_listener) {
    KeepLogins();
    m_listener->Close();
  }
  m_listener.reset();
  m_sweep.cancel();
  // Closing only cancels what is under way; the connections leave the set as their handlers end.
  const std::vector<WebConnection*> open(m_connections.begin(), m_connections.end());
  for (WebConnection* connection : open) connection->Close();
}

void WebHub::Accepted(asio::ip::tcp::socket socket) {
  boost::system::error_code error;
  const auto peer = socket.remote_endpoint(error);
  if (m_stopped || error || m_connections.size() >= m_options.maxConnections) {
    if (!m_stopped && !error) ++m_status.refusedConnections;
    socket.close(error);
    return;
  }
  const std::string address = peer.address().to_string();
  if (m_tls) {
    std::make_shared<HttpSession<beast::ssl_stream<beast::tcp_stream>>>(
        shared_from_this(), beast::ssl_stream<beast::tcp_stream>(beast::tcp_stream(std::move(socket)), *m_tls), address)
        ->Run();
  } else {
    std::make_shared<HttpSession<beast::tcp_stream>>(shared_from_this(), beast::tcp_stream(std::move(socket)), address)
        ->Run();
  }
}

void WebHub::Audit(AuditEntry::Action action, const std::string& user, const std::string& address, std::string detail) {
  m_ward.Audit(AuditEntry{action, user, address, std::chrono::system_clock::now(), std::move(detail)});
}

std::string WebHub::OpenLogin(const std::string& user, const std::string& address) {
  std::string cookie = m_logins.Open(user, address, LoginSessions::Clock::now());
  KeepLogins();
  return cookie;
}

void WebHub::EndLogin(const std::string& key, const std::string& reason) {
  if (m_logins.End(key)) KeepLogins();
  const std::vector<LiveClient*> live(m_live.begin(), m_live.end());
  for (LiveClient* client : live) {
    if (client->LoginKey() == key) client->End(reason);
  }
}

void WebHub::LiveQueueChanged(std::ptrdiff_t delta, std::size_t queued) {
  m_status.liveQueuedBytes = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(m_status.liveQueuedBytes) + delta);
  m_status.largestLiveQueue = std::max(m_status.largestLiveQueue, queued);
}

void WebHub::ScheduleSweep() {
  m_sweep.expires_after(SweepInterval(m_options.idleTimeout));
  m_sweep.async_wait([weak = weak_from_this()](boost::system::error_code error) {
    const auto hub = weak.lock();
    if (error || !hub || hub->m_stopped) return;
    hub->Sweep();
    hub->ScheduleSweep();
  });
}

void WebHub::Sweep() {
  for (const LoginSessions::Session& session : m_logins.Expire(LoginSessions::Clock::now())) {
    Audit(AuditEntry::Action::SessionExpired, session.user, session.address);
    EndLogin(session.key, "the login session has ended");
  }
  // The idle times go on across a restart only as far as they were kept: keep them each sweep.
  if (m_logins.LatestSeen() > m_loginsKept) KeepLogins();
}

void WebHub::KeepLogins() {
  m_loginsKept = LoginSessions::Clock::now();
  m_ward.KeepLogins(m_logins.Saved(m_loginsKept, LoginSessions::WallClock::now()));
}

void WebHub::Broadcast(const std::string& message) {
  if (m_live.empty()) return;
  const auto shared = std::make_shared<const std::string>(message);
  for (LiveClient* client : m_live) client->Broadcast(shared);
}

void WebHub::BedChanged(const BedView& view) {
  if (m_stopped || m_live.empty()) return;
  Broadcast(nlohmann::json{{"type", "bed"}, {"bed", WardJson::Bed(view)}}.dump());
}

void WebHub::AlarmChanged(WardAlarm::Event event, const WardAlarm& alarm) {
  if (m_stopped || m_live.empty()) return;
  Broadcast(nlohmann::json{{"type", "alarm"}, {"event", WardJson::EventName(event)}, {"alarm", WardJson::Alarm(alarm)}}
                .dump());
}

void WebHub::SamplesArrived(int bed, TraceBatch batch) {
  if (m_stopped || batch.samples.empty()) return;
  std::vector<LiveClient*> watching;
  for (LiveClient* client : m_live) {
    if (client->Watches(bed)) watching.push_back(client);
  }
  if (watching.empty()) return;
  auto live = std::make_shared<LiveBatch>();
  live->bed = bed;
  live->startMs = WardJson::Milliseconds(batch.start);
  live->message = std::make_shared<const std::string>(WardJson::Samples(bed, batch, 0, "samples"));
  live->batch = std::move(batch);
  ++m_status.batchesBuilt;
  const std::shared_ptr<const LiveBatch> shared = std::move(live);
  for (LiveClient* client : watching) client->Deliver(shared);
}

WardServerStatus WebHub::Status() const {
  WardServerStatus status = m_status;
  status.connections = m_connections.size();
  status.liveStreams = m_live.size();
  status.loginSessions = m_logins.Count();
  return status;
}
