#include "hospital/OruBuilder.h"

#include <cmath>
#include <cstdio>

#include "hospital/Hl7Time.h"
#include "platform/CodePage.h"

namespace {

struct Observed {
  TraceChannel channel;
  const char* code;
  const char* text;
  const char* system;
  const char* subId;
  const char* unit;
  const char* unitText;
};

constexpr Observed kObserved[] = {
    {TraceChannel::FHR1, "55283-6", "Fetal Heart rate", "LN", "1.1.1.1", "/min", "per minute"},
    {TraceChannel::FHR2, "55283-6", "Fetal Heart rate", "LN", "1.1.2.1", "/min", "per minute"},
    {TraceChannel::MHR, "8867-4", "Heart rate", "LN", "1.2.1.1", "/min", "per minute"},
    {TraceChannel::UC, "VDA-UC", "Uterine activity by tocodynamometer", "99VDA", "1.3.1.1", "{toco}", "toco units"},
};

const Observed* ObservedOf(TraceChannel channel) {
  for (const Observed& observed : kObserved)
    if (observed.channel == channel) return &observed;
  return nullptr;
}

// A number as NM writes it: at most two decimals, no trailing zeros.
std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string written(text);
  while (written.back() == '0') written.pop_back();
  if (written.back() == '.') written.pop_back();
  return written == "-0" ? "0" : written;
}

const char* PriorityCode(ObservationReport::Alarm::Priority priority) {
  using Priority = ObservationReport::Alarm::Priority;
  switch (priority) {
    case Priority::High: return "PH";
    case Priority::Medium: return "PM";
    case Priority::Low: return "PL";
    case Priority::None: return "PN";
  }
  return "PN";
}

// Texts of the report in UTF-8; the first that cannot be converted is kept as the fault.
class Utf8 {
 public:
  std::string operator()(const std::string& text, const char* what) {
    std::string converted;
    if (!AnsiToUtf8(text, converted) && !m_fault) {
      m_fault = std::string(what) + " is not text of the station's code page";
    }
    return converted;
  }
  const std::optional<std::string>& Fault() const { return m_fault; }

 private:
  std::optional<std::string> m_fault;
};

void AddHeader(Hl7Message& message, const OruBuilder::Parties& parties, std::chrono::system_clock::time_point now) {
  Hl7Segment& msh = message.Header();
  msh.Set(3, parties.sendingApplication);
  msh.Set(4, parties.sendingFacility);
  msh.Set(5, parties.receivingApplication);
  msh.Set(6, parties.receivingFacility);
  msh.Set(7, Hl7Time::Instant(now));
  msh.Set(9, "ORU");
  msh.Set(9, "R01", 2);
  msh.Set(9, "ORU_R01", 3);
  msh.Set(11, "P");
  msh.Set(12, "2.6");
  msh.Set(15, "AL");
  msh.Set(16, "NE");
  msh.Set(18, "UNICODE UTF-8");
  const char* profile[] = {"IHE_PCD_001", "IHE PCD", "1.3.6.1.4.1.19376.1.6.1.1.1", "ISO"};
  for (std::size_t i = 0; i < 4; ++i) msh.Set(21, profile[i], i + 1);
}

void AddPatient(Hl7Message& message, const ObservationReport& report, Utf8& utf8) {
  Hl7Segment& pid = message.Add("PID");
  pid.Set(3, utf8(report.patientId, "the patient identifier"));
  pid.Set(3, "MR", 5);
  pid.Set(5, utf8(report.familyName, "the family name"));
  pid.Set(5, utf8(report.givenName, "the given name"), 2);
  if (report.birthDate) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02u%02u", static_cast<int>(report.birthDate->year()),
                  static_cast<unsigned>(report.birthDate->month()), static_cast<unsigned>(report.birthDate->day()));
    pid.Set(7, date);
  }
  Hl7Segment& pv1 = message.Add("PV1");
  pv1.Set(2, "I");
  if (report.bed) pv1.Set(3, std::to_string(*report.bed), 3);
}

void AddOrder(Hl7Message& message, const ObservationReport& report, Utf8& utf8) {
  Hl7Segment& obr = message.Add("OBR");
  obr.Set(1, "1");
  obr.Set(3, utf8(report.studyId, "the study identifier"));
  obr.Set(3, "VUDODA", 2);
  obr.Set(4, "CTG");
  obr.Set(4, "Cardiotocography", 2);
  obr.Set(4, "99VDA", 3);
  obr.Set(7, Hl7Time::Instant(report.from, true));
  obr.Set(8, Hl7Time::Instant(report.to, true));
}

Hl7Segment& AddObservation(Hl7Message& message, int& setId, const char* type, const char* code, const char* text,
                           const char* system, const std::string& subId) {
  Hl7Segment& obx = message.Add("OBX");
  obx.Set(1, std::to_string(++setId));
  obx.Set(2, type);
  obx.Set(3, code);
  obx.Set(3, text, 2);
  obx.Set(3, system, 3);
  obx.Set(4, subId);
  obx.Set(11, "R");
  return obx;
}

}  // namespace

std::optional<Hl7Message> OruBuilder::Build(const ObservationReport& report, std::chrono::system_clock::time_point now,
                                            std::string& fault) const {
  Hl7Message message;
  AddHeader(message, m_parties, now);
  Utf8 utf8;
  AddPatient(message, report, utf8);
  AddOrder(message, report, utf8);
  int setId = 0;
  for (const ObservationReport::Value& value : report.values) {
    const Observed* observed = ObservedOf(value.channel);
    if (!observed) {
      fault = "channel " + std::to_string(static_cast<int>(value.channel)) + " is not reported: FHR1, FHR2, MHR and UC are";
      return std::nullopt;
    }
    if (!std::isfinite(value.value)) {
      fault = std::string("a value of ") + observed->subId + " is not a number";
      return std::nullopt;
    }
    Hl7Segment& obx =
        AddObservation(message, setId, "NM", observed->code, observed->text, observed->system, observed->subId);
    obx.Set(5, Number(value.value));
    obx.Set(6, observed->unit);
    obx.Set(6, observed->unitText, 2);
    obx.Set(6, "UCUM", 3);
    obx.Set(14, Hl7Time::Instant(value.time, true));
  }
  int alarmNumber = 0;
  for (const ObservationReport::Alarm& alarm : report.alarms) {
    Hl7Segment& obx = AddObservation(message, setId, "CWE", "VDA-ALARM", "Active alarm", "99VDA",
                                     "1.0.0." + std::to_string(++alarmNumber));
    const std::string parameter = utf8(alarm.parameter, "an alarm's parameter");
    obx.Set(5, parameter + "-" + std::to_string(alarm.status));
    obx.Set(5, parameter + ": " + utf8(alarm.text, "an alarm's text"), 2);
    obx.Set(5, "99VDA", 3);
    obx.Set(8, PriorityCode(alarm.priority));
    obx.Set(14, Hl7Time::Instant(alarm.since, true));
  }
  if (utf8.Fault()) {
    fault = *utf8.Fault();
    return std::nullopt;
  }
  return message;
}
