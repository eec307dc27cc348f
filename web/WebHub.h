#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "web/AuditEntry.h"
#include "web/BedView.h"
#include "web/LoginSessions.h"
#include "web/LoginThrottle.h"
#include "web/StaticFiles.h"
#include "web/TraceBatch.h"
#include "web/WardAlarm.h"
#include "web/WardServerOptions.h"
#include "web/WardServerStatus.h"
#include "web/WardService.h"

class LiveClient;
class WebConnection;
class WebListener;

// What the connections of the ward's web side share: the loop, the ward, the options, the TLS
// context, the pages, the login sessions and the failure counts, and the open connections
// (every one, and the live streams among them). WardServer owns it; every connection holds it
// alive, so that an answer of the ward that comes after the server was stopped finds it and is
// dropped. Everything here runs on the loop's one thread.
class WebHub : public std::enable_shared_from_this<WebHub> {
 public:
  WebHub(boost::asio::io_context& loop, WardService& ward, WardServerOptions options);
  ~WebHub();

  std::optional<std::string> Start();
  void Stop();
  int Port() const { return m_port; }
  bool Stopped() const { return m_stopped; }

  boost::asio::io_context& Loop() { return m_loop; }
  WardService& Ward() { return m_ward; }
  const WardServerOptions& Options() const { return m_options; }
  // The TLS context, or nullptr for plain HTTP.
  boost::asio::ssl::context* Tls() { return m_tls ? &*m_tls : nullptr; }
  LoginSessions& Logins() { return m_logins; }
  LoginThrottle& Throttle() { return m_throttle; }
  const StaticFiles& Files() const { return m_files; }

  // The answer of the ward for `handler`: whenever and on whichever turn the ward gives it,
  // the handler runs on a later turn of the loop, and not at all once the server has stopped.
  template <class Result, class Handler>
  std::function<void(Result)> Later(Handler handler) {
    return [hub = shared_from_this(), handler](Result result) {
      boost::asio::post(hub->m_loop, [hub, handler, result = std::move(result)]() mutable {
        if (!hub->m_stopped) handler(std::move(result));
      });
    };
  }

  // A new connection from the listener: served, or closed at once over the limit.
  void Accepted(boost::asio::ip::tcp::socket socket);

  // Writes an audit line now.
  void Audit(AuditEntry::Action action, const std::string& user, const std::string& address, std::string detail = {});
  // A new login session for `user` at `address`: its cookie value.
  std::string OpenLogin(const std::string& user, const std::string& address);
  // Ends login session `key` (logout, idle, displaced by a new login): its live streams close.
  void EndLogin(const std::string& key, const std::string& reason);

  void Add(WebConnection* connection) { m_connections.insert(connection); }
  void Remove(WebConnection* connection) { m_connections.erase(connection); }
  void AddLive(LiveClient* client) { m_live.insert(client); }
  void RemoveLive(LiveClient* client) { m_live.erase(client); }
  // A live stream's queue grew or shrank by `delta` to `queued` bytes.
  void LiveQueueChanged(std::ptrdiff_t delta, std::size_t queued);
  void LiveCutBack() { ++m_status.cutBacks; }

  // The ward's reports (see WardServer).
  void BedChanged(const BedView& view);
  void SamplesArrived(int bed, TraceBatch batch);
  void AlarmChanged(WardAlarm::Event event, const WardAlarm& alarm);

  WardServerStatus Status() const;

 private:
  std::optional<std::string> LoadTls();
  void ScheduleSweep();
  void Sweep();
  void Broadcast(const std::string& message);
  void KeepLogins();

  boost::asio::io_context& m_loop;
  WardService& m_ward;
  WardServerOptions m_options;
  std::optional<boost::asio::ssl::context> m_tls;
  StaticFiles m_files;
  LoginSessions m_logins;
  LoginThrottle m_throttle;
  LoginSessions::Clock::time_point m_loginsKept{};  // when the ward was last given the sessions
  std::shared_ptr<WebListener> m_listener;
  boost::asio::steady_timer m_sweep;
  std::unordered_set<WebConnection*> m_connections;
  std::unordered_set<LiveClient*> m_live;
  WardServerStatus m_status;
  int m_port = 0;
  bool m_stopped = false;
};
