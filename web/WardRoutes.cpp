#include "web/WardRoutes.h"

#include <boost/beast/http/field.hpp>
#include <charconv>
#include <climits>

#include "web/WardJson.h"
#include "web/WebExchange.h"
#include "web/WebResponse.h"

namespace http = boost::beast::http;
using nlohmann::json;
using Instant = std::chrono::system_clock::time_point;

namespace {

// The bed of a path's first number; nullopt (answered 404) for a number no bed can have.
std::optional<int> BedOf(WebExchange& exchange) {
  if (exchange.numbers.empty() || exchange.numbers[0] < 1 || exchange.numbers[0] > INT_MAX) {
    exchange.Error(http::status::not_found, "there is no such bed");
    return std::nullopt;
  }
  return static_cast<int>(exchange.numbers[0]);
}

std::optional<Instant> InstantOf(const std::string& text) {
  std::int64_t milliseconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || milliseconds < 0) return std::nullopt;
  return Instant(std::chrono::milliseconds(milliseconds));
}

struct Span {
  Instant from;
  Instant to;
};

// Query parameter `name` as an instant, `otherwise` when it is not given; nullopt when it is
// given and is no instant.
std::optional<Instant> InstantParameter(const WebExchange& exchange, std::string_view name, Instant otherwise) {
  const auto given = exchange.Query(name);
  return given ? InstantOf(*given) : otherwise;
}

// The span ?from=&to= (milliseconds since 1970 UTC): by default the `usual` span up to now;
// nullopt (answered 400) for a span that is no span or is longer than `longest`.
std::optional<Span> SpanOf(WebExchange& exchange, std::chrono::minutes usual, std::chrono::hours longest) {
  const auto to = InstantParameter(exchange, "to", std::chrono::system_clock::now());
  const auto from = to ? InstantParameter(exchange, "from", *to - usual) : std::nullopt;
  if (!to || !from || *from >= *to) {
    exchange.Error(http::status::bad_request, "from= and to= must be milliseconds since 1970 UTC, from before to");
    return std::nullopt;
  }
  if (*to - *from > longest) {
    exchange.Error(http::status::bad_request,
                   "the span may be at most " + std::to_string(longest.count()) + " hours; ask for it in parts");
    return std::nullopt;
  }
  return Span{*from, *to};
}

void AnswerAlarms(const std::shared_ptr<WebExchange>& exchange, ServiceResult<std::vector<WardAlarm>> result) {
  if (result.status != ServiceStatus::Done) return exchange->Refused(result.status, result.message);
  exchange->Json(http::status::ok, {{"alarms", WardJson::Alarms(result.value)}});
}

std::string DateText(const std::optional<std::chrono::year_month_day>& date) {
  return date ? WardJson::Date(*date) : "none";
}

}  // namespace

void WardRoutes::Home(const std::shared_ptr<WebExchange>& exchange) { exchange->Send(WebResponse::Redirect("/ward")); }

void WardRoutes::ServeFile(const std::shared_ptr<WebExchange>& exchange) {
  const StaticFiles::File* file = exchange->Hub().Files().Find(exchange->file);
  if (!file) return exchange->Error(http::status::not_found, "there is no such page");
  exchange->Send(WebResponse::Make(http::status::ok, file->contentType, file->bytes));
}

void WardRoutes::Ward(const std::shared_ptr<WebExchange>& exchange) {
  exchange->Json(http::status::ok, {{"beds", WardJson::Beds(exchange->Hub().Ward().Beds())}});
}

void WardRoutes::Alarms(const std::shared_ptr<WebExchange>& exchange) {
  exchange->Hub().Ward().Alarms(std::nullopt, exchange->Later<ServiceResult<std::vector<WardAlarm>>>(exchange, &AnswerAlarms));
}

void WardRoutes::BedAlarms(const std::shared_ptr<WebExchange>& exchange) {
  const auto bed = BedOf(*exchange);
  if (!bed) return;
  exchange->Hub().Ward().Alarms(*bed, exchange->Later<ServiceResult<std::vector<WardAlarm>>>(exchange, &AnswerAlarms));
}

void WardRoutes::Acknowledge(const std::shared_ptr<WebExchange>& exchange) {
  const std::uint64_t alarm = exchange->numbers.at(0);
  exchange->Hub().Ward().Acknowledge(
      alarm, exchange->user,
      exchange->Later<ServiceResult<WardAlarm>>(exchange, [](const std::shared_ptr<WebExchange>& self,
                                                             ServiceResult<WardAlarm> result) {
        if (result.status != ServiceStatus::Done) return self->Refused(result.status, result.message);
        const WardAlarm& alarm = result.value;
        self->Hub().Audit(AuditEntry::Action::Acknowledge, self->user, self->Address(),
                          "alarm " + std::to_string(alarm.id) + " of bed " + std::to_string(alarm.bed) + ": " +
                              alarm.text);
        self->Json(http::status::ok, WardJson::Alarm(alarm));
      }));
}

void WardRoutes::Trace(const std::shared_ptr<WebExchange>& exchange) {
  const auto bed = BedOf(*exchange);
  if (!bed) return;
  const auto span = SpanOf(*exchange, std::chrono::minutes(10), kMaxTraceSpan);
  if (!span) return;
  exchange->Hub().Ward().Trace(
      *bed, span->from, span->to,
      exchange->Later<ServiceResult<BedTrace>>(exchange, [bed = *bed](const std::shared_ptr<WebExchange>& self,
                                                                      ServiceResult<BedTrace> result) {
        if (result.status != ServiceStatus::Done) return self->Refused(result.status, result.message);
        self->Send(WebResponse::Make(http::status::ok, "application/json",
                                     WardJson::Samples(bed, result.value.samples, 0, nullptr, &result.value.alarms)));
      }));
}

void WardRoutes::Strip(const std::shared_ptr<WebExchange>& exchange) {
  const auto bed = BedOf(*exchange);
  if (!bed) return;
  const auto span = SpanOf(*exchange, std::chrono::minutes(30), kMaxStripSpan);
  if (!span) return;
  exchange->Hub().Ward().StripPdf(
      *bed, span->from, span->to,
      exchange->Later<ServiceResult<std::string>>(exchange, [bed = *bed](const std::shared_ptr<WebExchange>& self,
                                                                         ServiceResult<std::string> result) {
        if (result.status != ServiceStatus::Done) return self->Refused(result.status, result.message);
        HttpResponse response = WebResponse::Make(http::status::ok, "application/pdf", std::move(result.value));
        response.set(http::field::content_disposition, "inline; filename=\"bed-" + std::to_string(bed) + ".pdf\"");
        self->Send(std::move(response));
      }));
}

void WardRoutes::Patient(const std::shared_ptr<WebExchange>& exchange) {
  const auto bed = BedOf(*exchange);
  if (!bed) return;
  exchange->Hub().Ward().Patient(
      *bed, exchange->Later<ServiceResult<MonitoredPatient>>(
                exchange, [](const std::shared_ptr<WebExchange>& self, ServiceResult<MonitoredPatient> result) {
                  if (result.status != ServiceStatus::Done) return self->Refused(result.status, result.message);
                  self->Json(http::status::ok, WardJson::Patient(result.value));
                }));
}

void WardRoutes::CorrectPatient(const std::shared_ptr<WebExchange>& exchange) {
  const auto bed = BedOf(*exchange);
  if (!bed) return;
  const auto body = exchange->JsonBody();
  if (!body) return;
  std::string fault;
  const auto corrected = WardJson::ParsePatient(*body, fault);
  if (!corrected) return exchange->Error(http::status::bad_request, fault);
  exchange->Hub().Ward().CorrectPatient(
      *bed, *corrected, exchange->user,
      exchange->Later<ServiceResult<MonitoredPatient>>(
          exchange, [bed = *bed](const std::shared_ptr<WebExchange>& self, ServiceResult<MonitoredPatient> result) {
            if (result.status == ServiceStatus::Conflict) {
              return self->Json(http::status::conflict,
                                {{"error", result.message}, {"patient", WardJson::Patient(result.value)}});
            }
            if (result.status != ServiceStatus::Done) return self->Refused(result.status, result.message);
            const MonitoredPatient& patient = result.value;
            self->Hub().Audit(AuditEntry::Action::CorrectPatient, self->user, self->Address(),
                              "bed " + std::to_string(bed) + ": ID \"" + patient.id + "\", name \"" +
                                  patient.firstName + " " + patient.lastName + "\", birthday " +
                                  DateText(patient.birthday));
            self->Json(http::status::ok, WardJson::Patient(patient));
          }));
}

void WardRoutes::LiveWithoutUpgrade(const std::shared_ptr<WebExchange>& exchange) {
  HttpResponse response = WebResponse::Error(http::status::upgrade_required, "the live stream is a WebSocket");
  response.set(http::field::upgrade, "websocket");
  exchange->Send(std::move(response));
}
