#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "web/BedView.h"
#include "web/TraceBatch.h"
#include "web/WardAlarm.h"
#include "web/WardServerOptions.h"
#include "web/WardServerStatus.h"
#include "web/WebApi.h"
#include "web/WebRoute.h"

namespace boost::asio {
class io_context;
}
class WardService;
class WebHub;

// The ward's web side: the station serves its ward over HTTPS (plain HTTP only on a loopback
// address) so that the midwives' desk sees every bed live. It runs on the owner's event loop,
// which must be run by one thread; every call below, and every call it makes of the
// WardService, happens on that thread.
//
// It serves the login page and its files to anyone and everything else only to a login
// session: a random 256-bit cookie (HttpOnly, SameSite=Strict, Secure under TLS) that ends
// after the idle timeout or at logout. Failed logins are counted per user name and per address
// and block further ones for a while. Writes must come from the server's own Origin with the
// session's token. Every login, failed login, logout, acknowledgement and correction goes to
// the ward's audit line. Routes() lists what it answers.
//
// The live stream (a WebSocket at /api/live) sends the ward as it is, then what the ward
// reports: each bed's changes and alarms to every stream, each sample batch to the streams that
// subscribed to its bed, after the last ten minutes of the bed's trace. A batch becomes one
// message, shared by every stream that receives it. A browser that does not read costs at most
// liveQueueBytes (plus the one message being written); past that its queue is dropped, and when
// it reads again it is sent the ward as it is and each bed's trace since what it last received
// (at most ten minutes). Nothing the ward reports waits for any browser.
//
// A connection reads at most 8 KiB of request line and headers and 16 KiB of body, holds at most
// 1 MiB of answers (and one more) for a client that does not read them, is closed when a
// request or a response takes longer than requestTimeout, and no more than maxConnections are
// open at once. README lists the routes, the JSON and every bound.
class VUDODA_WEB_API WardServer {
 public:
  WardServer(boost::asio::io_context& loop, WardService& ward, WardServerOptions options);
  ~WardServer();
  WardServer(const WardServer&) = delete;
  WardServer& operator=(const WardServer&) = delete;

  // Reads the pages and the certificate and starts listening. The fault (an address that is not
  // loopback without a certificate, an unreadable certificate or key, a missing page, an address
  // in use), or nullopt.
  std::optional<std::string> Start();
  // The port it listens on (the chosen one when the options asked for any); 0 before Start.
  int Port() const;
  // Closes the listener and every connection; later reports and answers of the ward are
  // dropped. The loop then has no more work of the server's.
  void Stop();

  // The ward's reports, as they happen. Each returns at once.
  // Bed `view.bed` is now `view` (its link, patient, values or active alarms changed).
  void BedChanged(const BedView& view);
  // Bed `bed` recorded `batch`.
  void SamplesArrived(int bed, TraceBatch batch);
  // `alarm` was raised, cleared or acknowledged (`alarm` as it is afterwards).
  void AlarmChanged(WardAlarm::Event event, const WardAlarm& alarm);

  WardServerStatus Status() const;

  // Every route the server answers, in the order of its table.
  static std::vector<WebRoute> Routes();
  // The installed share/vudoda/www beside the library when it exists, else the source tree's
  // web/www (a build run from its tree).
  static std::string DefaultWwwFolder();

 private:
  std::shared_ptr<WebHub> m_hub;
};
