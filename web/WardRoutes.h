#pragma once

#include <chrono>
#include <memory>

class WebExchange;

// The routes of the ward's data: the beds, their alarms (and acknowledging one), a bed's trace
// and strip over a span, and the monitored patient (reading and correcting her). Each asks the
// ward and answers JSON (the strip: a PDF); a refusal of the ward becomes 404, 409, 422 or 503
// with its message. Spans are given as from= and to= in milliseconds since 1970 UTC.
class WardRoutes {
 public:
  // A trace may span at most two hours (scrolling back over a study asks span by span), a
  // strip at most a day.
  static constexpr std::chrono::hours kMaxTraceSpan{2};
  static constexpr std::chrono::hours kMaxStripSpan{24};

  static void Home(const std::shared_ptr<WebExchange>& exchange);
  static void ServeFile(const std::shared_ptr<WebExchange>& exchange);
  static void Ward(const std::shared_ptr<WebExchange>& exchange);
  static void Alarms(const std::shared_ptr<WebExchange>& exchange);
  static void BedAlarms(const std::shared_ptr<WebExchange>& exchange);
  static void Acknowledge(const std::shared_ptr<WebExchange>& exchange);
  static void Trace(const std::shared_ptr<WebExchange>& exchange);
  static void Strip(const std::shared_ptr<WebExchange>& exchange);
  static void Patient(const std::shared_ptr<WebExchange>& exchange);
  static void CorrectPatient(const std::shared_ptr<WebExchange>& exchange);
  // The live stream's path asked without the WebSocket upgrade.
  static void LiveWithoutUpgrade(const std::shared_ptr<WebExchange>& exchange);
};
