#include "ward/WardAlarms.h"

#include <algorithm>
#include <cstdio>

#include "ward/PacketAlarm.h"

namespace {

using Priority = WardAlarm::Priority;

// The alarm priorities of the ward, in the terms of IEC 60601-1-8: HIGH where a person must
// answer at once because the condition can harm mother or child within minutes; MEDIUM where a
// prompt answer is needed (the harm builds up over minutes, or the monitoring itself is lost);
// LOW where a person should know (a sensor to put right, a reading that develops over hours).
//
//  - A fetal heart rate under its lower limit (FHR1, FHR2, the fetal ECG) is a bradycardia, the
//    sign of an acute hypoxia: HIGH. Over the upper limit (tachycardia) and the cross-channel
//    checks (the channel may count the mother's heart, hiding the fetus's): MEDIUM.
//  - Contractions too long or too frequent (UC, IUP: tachysystole) cut the fetus's oxygen over
//    minutes and call for the oxytocin to be reduced: MEDIUM.
//  - The mother's SpO2 under its limit (alone or with a pulse-rate limit) is a hypoxaemia: HIGH;
//    fetal SpO2 under its limit likewise. A pulse rate past its limits, the mother's ECG heart
//    rate past its limits and her blood pressure (NIBP) past its limits: MEDIUM.
//  - Temperature past its limits develops over hours: LOW.
//  - A sensor's own fault (lead fault, electrode, cable, probe off, no finger, pulse search, the
//    cuff's measuring faults) loses one reading but is shown at the bed: LOW.
//  - The communication failure, the station's own technical alarm, means the bed is watched by
//    no one at the desk: whatever it hides (a bradycardia) builds up unseen, so it is MEDIUM.
//  - A status code the maps do not know: MEDIUM, so that someone looks at the bed.
struct PriorityRow {
  const char* parameter;
  int code;
  Priority priority;
};

constexpr PriorityRow kPriorities[] = {
    {"FHR1", 1, Priority::Medium}, {"FHR1", 2, Priority::High}, {"FHR1", 3, Priority::Medium},
    {"FHR1", 4, Priority::Medium}, {"FHR1", 5, Priority::High},
    {"FHR2", 1, Priority::Medium}, {"FHR2", 2, Priority::High}, {"FHR2", 3, Priority::Medium},
    {"FHR2", 4, Priority::Medium}, {"FHR2", 5, Priority::High},
    {"FECG", 1, Priority::Medium}, {"FECG", 2, Priority::High}, {"FECG", 11, Priority::Low},
    {"FECG", 12, Priority::Low},   {"FECG", 13, Priority::Low},
    {"UC", 1, Priority::Medium},   {"UC", 2, Priority::Medium},   {"UC", 3, Priority::Medium},
    {"IUP", 1, Priority::Medium},  {"IUP", 2, Priority::Medium},  {"IUP", 3, Priority::Medium},
    {"ECG", 1, Priority::Medium},  {"ECG", 2, Priority::Medium},  {"ECG", 11, Priority::Low},
    {"ECG", 12, Priority::Low},    {"ECG", 13, Priority::Low},
    {"SpO2", 1, Priority::Medium}, {"SpO2", 2, Priority::Medium}, {"SpO2", 3, Priority::High},
    {"SpO2", 4, Priority::High},   {"SpO2", 5, Priority::High},   {"SpO2", 6, Priority::Low},
    {"SpO2", 7, Priority::Low},    {"SpO2", 8, Priority::Low},    {"SpO2", 9, Priority::Low},
    {"SpO2", 10, Priority::Low},
    {"FSpO2", 1, Priority::Medium}, {"FSpO2", 2, Priority::Medium}, {"FSpO2", 3, Priority::High},
    {"FSpO2", 4, Priority::High},  {"FSpO2", 5, Priority::High},  {"FSpO2", 6, Priority::Low},
    {"FSpO2", 7, Priority::Low},   {"FSpO2", 8, Priority::Low},   {"FSpO2", 9, Priority::Low},
    {"FSpO2", 10, Priority::Low},
    {"NIBP", 1, Priority::Medium}, {"NIBP", 2, Priority::Medium}, {"NIBP", 17, Priority::Low},
    {"NIBP", 18, Priority::Low},   {"NIBP", 19, Priority::Low},   {"NIBP", 20, Priority::Low},
    {"NIBP", 21, Priority::Low},   {"NIBP", 22, Priority::Low},   {"NIBP", 23, Priority::Low},
    {"NIBP", 24, Priority::Low},   {"NIBP", 25, Priority::Low},   {"NIBP", 26, Priority::Low},
    {"NIBP", 27, Priority::Low},   {"NIBP", 28, Priority::Low},   {"NIBP", 29, Priority::Low},
    {"NIBP", 30, Priority::Low},
    {"TEMP", 1, Priority::Low},    {"TEMP", 2, Priority::Low},    {"TEMP", 6, Priority::Low},
    {WardAlarms::kCommunication, 1, Priority::Medium},
};

constexpr int kFailing = 1;

std::optional<Priority> PriorityNamed(const std::string& name) {
  for (const Priority priority : {Priority::High, Priority::Medium, Priority::Low}) {
    if (name == WardAlarm::PriorityName(priority)) return priority;
  }
  return std::nullopt;
}

ObservationReport::Alarm::Priority ReportPriority(Priority priority) {
  using Reported = ObservationReport::Alarm::Priority;
  switch (priority) {
    case Priority::High: return Reported::High;
    case Priority::Medium: return Reported::Medium;
    case Priority::Low: return Reported::Low;
  }
  return Reported::None;
}

}  // namespace

WardAlarms::WardAlarms(std::size_t historyLimit) : m_historyLimit(historyLimit) {}

WardAlarm::Priority WardAlarms::PriorityOf(const std::string& parameter, int code) {
  for (const PriorityRow& row : kPriorities) {
    if (parameter == row.parameter && code == row.code) return row.priority;
  }
  return Priority::Medium;
}

std::vector<WardAlarms::Change> WardAlarms::ShowMonitor(int bed, PKParam_v110& packet, Instant time) {
  std::vector<Change> changes;
  const bool anyOn = m_activeCount[bed] > 0;
  for (const PacketAlarm& source : PacketAlarm::All()) {
    const int code = (packet.*source.status)();
    if (code == PacketAlarm::kNormal && !anyOn) continue;  // the common case: nothing on, nothing was
    Entry* active = FindActive(bed, source.parameter);
    if (active && active->code == code) continue;
    if (active) changes.push_back(Clear(*active, time));
    if (code != PacketAlarm::kNormal) {
      changes.push_back(Raise(bed, source.parameter, code,
                              source.Described(code), time));
    }
  }
  Forget();
  return changes;
}

std::vector<WardAlarms::Change> WardAlarms::EndMonitor(int bed, Instant time) {
  std::vector<Change> changes;
  for (Entry& entry : m_entries) {
    if (entry.alarm.bed == bed && !entry.alarm.cleared && entry.parameter != kCommunication) {
      changes.push_back(Clear(entry, time));
    }
  }
  return changes;
}

std::vector<WardAlarms::Change> WardAlarms::ShowCommunication(int bed, bool failing, Instant time) {
  std::vector<Change> changes;
  Entry* active = FindActive(bed, kCommunication);
  if (failing && !active) changes.push_back(Raise(bed, kCommunication, kFailing, "communication failure", time));
  if (!failing && active) changes.push_back(Clear(*active, time));
  Forget();
  return changes;
}

std::optional<WardAlarms::Change> WardAlarms::Acknowledge(std::uint64_t id, const std::string& user, Instant time) {
  Entry* entry = Find(id);
  if (!entry) return std::nullopt;
  if (!entry->alarm.acknowledgedBy.empty()) return Change{WardAlarm::Event::Raised, entry->alarm};
  entry->alarm.acknowledgedBy = user;
  entry->alarm.acknowledged = time;
  return Change{WardAlarm::Event::Acknowledged, entry->alarm};
}

std::vector<WardAlarms::Change> WardAlarms::EndAll(Instant time) {
  std::vector<Change> changes;
  for (Entry& entry : m_entries) {
    if (!entry.alarm.cleared) changes.push_back(Clear(entry, time));
  }
  return changes;
}

std::vector<WardAlarm> WardAlarms::Active(int bed) const {
  std::vector<WardAlarm> active;
  for (const Entry& entry : m_entries) {
    if (entry.alarm.bed == bed && !entry.alarm.cleared) active.push_back(entry.alarm);
  }
  return active;
}

std::vector<ObservationReport::Alarm> WardAlarms::Standing(int bed) const {
  std::vector<ObservationReport::Alarm> standing;
  for (const Entry& entry : m_entries) {
    if (entry.alarm.bed != bed || entry.alarm.cleared) continue;
    const std::size_t colon = entry.alarm.text.find(": ");
    const std::string status = colon == std::string::npos ? entry.alarm.text : entry.alarm.text.substr(colon + 2);
    standing.push_back({entry.parameter, entry.code, status, ReportPriority(entry.alarm.priority), entry.alarm.since});
  }
  return standing;
}

std::vector<WardAlarm> WardAlarms::History(std::optional<int> bed) const {
  std::vector<WardAlarm> history;
  for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
    if (!bed || entry->alarm.bed == *bed) history.push_back(entry->alarm);
  }
  return history;
}

std::vector<WardAlarm> WardAlarms::Overlapping(int bed, Instant from, Instant to) const {
  std::vector<WardAlarm> overlapping;
  for (const Entry& entry : m_entries) {
    const WardAlarm& alarm = entry.alarm;
    if (alarm.bed == bed && alarm.since < to && (!alarm.cleared || *alarm.cleared > from)) {
      overlapping.push_back(alarm);
    }
  }
  return overlapping;
}

std::string WardAlarms::LineOf(const Change& change) {
  const WardAlarm& alarm = change.alarm;
  const std::string head = "bed " + std::to_string(alarm.bed) + ": alarm " + std::to_string(alarm.id);
  switch (change.event) {
    case WardAlarm::Event::Raised:
      return head + " raised (" + WardAlarm::PriorityName(alarm.priority) + "): " + alarm.text;
    case WardAlarm::Event::Cleared:
      return head + " cleared";
    case WardAlarm::Event::Acknowledged:
      return head + " acknowledged by " + alarm.acknowledgedBy;
  }
  return head;
}

std::vector<WardAlarms::Change> WardAlarms::Restore(const std::vector<StationLog::Line>& lines, Instant now) {
  for (const StationLog::Line& line : lines) RestoreLine(line);
  std::vector<Change> cleared = EndAll(now);
  Forget();
  return cleared;
}

// One line of the log, when it is one of LineOf's.
void WardAlarms::RestoreLine(const StationLog::Line& line) {
  int bed = 0;
  unsigned long long id = 0;
  int used = 0;
  if (std::sscanf(line.text.c_str(), "bed %d: alarm %llu %n", &bed, &id, &used) != 2 || used == 0) return;
  const std::string rest = line.text.substr(static_cast<std::size_t>(used));
  const Instant time = std::chrono::system_clock::from_time_t(line.time);
  m_lastId = std::max<std::uint64_t>(m_lastId, id);
  if (rest.starts_with("raised (")) {
    const std::size_t close = rest.find("): ");
    const std::optional<Priority> priority = close == std::string::npos ? std::nullopt
                                                                         : PriorityNamed(rest.substr(8, close - 8));
    if (!priority || Find(id)) return;
    Entry entry;
    entry.alarm = WardAlarm{id, bed, *priority, rest.substr(close + 3), time, std::nullopt, "", std::nullopt};
    entry.parameter = entry.alarm.text.substr(0, entry.alarm.text.find(':'));
    m_entries.push_back(std::move(entry));
    ++m_activeCount[bed];
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.alarm.id < b.alarm.id; });
  } else if (Entry* entry = Find(id); entry && rest == "cleared" && !entry->alarm.cleared) {
    Clear(*entry, time);
  } else if (entry && rest.starts_with("acknowledged by ") && entry->alarm.acknowledgedBy.empty()) {
    entry->alarm.acknowledgedBy = rest.substr(16);
    entry->alarm.acknowledged = time;
  }
}

WardAlarms::Change WardAlarms::Raise(int bed, const std::string& parameter, int code, const std::string& text,
                                     Instant time) {
  Entry entry;
  entry.alarm = WardAlarm{++m_lastId, bed, PriorityOf(parameter, code), text, time, std::nullopt, "", std::nullopt};
  entry.parameter = parameter;
  entry.code = code;
  m_entries.push_back(entry);
  ++m_activeCount[bed];
  return Change{WardAlarm::Event::Raised, entry.alarm};
}

WardAlarms::Change WardAlarms::Clear(Entry& entry, Instant time) {
  entry.alarm.cleared = time;
  --m_activeCount[entry.alarm.bed];
  return Change{WardAlarm::Event::Cleared, entry.alarm};
}

WardAlarms::Entry* WardAlarms::Find(std::uint64_t id) {
  const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                      [](const Entry& entry, std::uint64_t key) { return entry.alarm.id < key; });
  return found != m_entries.end() && found->alarm.id == id ? &*found : nullptr;
}

WardAlarms::Entry* WardAlarms::FindActive(int bed, const std::string& parameter) {
  for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
    if (entry->alarm.bed == bed && !entry->alarm.cleared && entry->parameter == parameter) return &*entry;
  }
  return nullptr;
}

// Beyond the limit the oldest alarms that are over leave the history; those on stay.
void WardAlarms::Forget() {
  std::size_t over = m_entries.size() > m_historyLimit ? m_entries.size() - m_historyLimit : 0;
  for (auto entry = m_entries.begin(); entry != m_entries.end() && over > 0;) {
    if (entry->alarm.cleared) {
      entry = m_entries.erase(entry);
      --over;
    } else {
      ++entry;
    }
  }
}
