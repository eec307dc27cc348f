#include "web/WardJson.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "constmap/ObConstMap.h"
#include "platform/CodePage.h"

using nlohmann::json;

namespace {

constexpr std::array<const char*, kTraceChannelCount> kChannelNames{"FHR1", "FHR2", "MHR", "FECG",
                                                                     "UC",   "IUP",  "FM1", "FM2"};
constexpr std::size_t kMaxTextBytes = 64;

json Optional(const std::optional<int>& value) { return value ? json(*value) : json(nullptr); }

json OptionalTime(const std::optional<std::chrono::system_clock::time_point>& time) {
  return time ? json(WardJson::Milliseconds(*time)) : json(nullptr);
}

}  // namespace

std::string WardJson::Date(const std::chrono::year_month_day& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

namespace {

std::optional<std::chrono::year_month_day> ParseDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (std::size_t index : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[index] < '0' || text[index] > '9') return std::nullopt;
  }
  const auto number = [&](std::size_t from, std::size_t length) { return std::stoi(text.substr(from, length)); };
  const int year = number(0, 4);
  const auto month = static_cast<unsigned>(number(5, 2));
  const auto day = static_cast<unsigned>(number(8, 2));
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
  if (!date.ok() || year < 1900) return std::nullopt;
  return date;
}

template <class Has>
bool AnySample(const std::vector<TraceSample>& samples, std::size_t first, Has has) {
  for (std::size_t index = first; index < samples.size(); ++index) {
    if (has(samples[index])) return true;
  }
  return false;
}

// A number as JSON: the shortest text that reads back as the same float; null for one that is
// not finite (JSON has no such number).
void AppendValue(std::string& out, const std::optional<float>& value) {
  if (!value || !std::isfinite(*value)) {
    out += "null";
    return;
  }
  char text[32];
  out.append(text, std::to_chars(text, text + sizeof text, *value).ptr);
}

template <class Write>
void AppendArray(std::string& out, std::size_t first, std::size_t end, Write write) {
  out += '[';
  for (std::size_t index = first; index < end; ++index) {
    if (index != first) out += ',';
    write(index);
  }
  out += ']';
}

std::optional<std::string> TextField(const json& body, const char* name, std::string& fault) {
  const auto found = body.find(name);
  if (found == body.end() || !found->is_string()) {
    fault = std::string("\"") + name + "\" must be text";
    return std::nullopt;
  }
  std::string text = found->get<std::string>();
  if (text.size() > kMaxTextBytes) {
    fault = std::string("\"") + name + "\" is longer than 64 bytes";
    return std::nullopt;
  }
  for (const unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      fault = std::string("\"") + name + "\" holds a control character";
      return std::nullopt;
    }
  }
  return text;
}

}  // namespace

std::int64_t WardJson::Milliseconds(std::chrono::system_clock::time_point time) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

const char* WardJson::LinkName(BedView::Link link) {
  switch (link) {
    case BedView::Link::Free: return "free";
    case BedView::Link::Connected: return "connected";
    case BedView::Link::Silent: return "silent";
    case BedView::Link::Lost: return "lost";
  }
  return "free";
}

const char* WardJson::EventName(WardAlarm::Event event) {
  switch (event) {
    case WardAlarm::Event::Raised: return "raised";
    case WardAlarm::Event::Cleared: return "cleared";
    case WardAlarm::Event::Acknowledged: return "acknowledged";
  }
  return "raised";
}

json WardJson::Alarm(const WardAlarm& alarm) {
  return {{"id", alarm.id},
          {"bed", alarm.bed},
          {"priority", WardAlarm::PriorityName(alarm.priority)},
          {"text", alarm.text},
          {"sinceMs", Milliseconds(alarm.since)},
          {"clearedMs", OptionalTime(alarm.cleared)},
          {"acknowledgedBy", alarm.acknowledgedBy.empty() ? json(nullptr) : json(alarm.acknowledgedBy)},
          {"acknowledgedMs", OptionalTime(alarm.acknowledged)}};
}

json WardJson::Alarms(const std::vector<WardAlarm>& alarms) {
  json list = json::array();
  for (const WardAlarm& alarm : alarms) list.push_back(Alarm(alarm));
  return list;
}

json WardJson::Bed(const BedView& view) {
  return {{"bed", view.bed},
          {"link", LinkName(view.link)},
          {"patientId", view.patientId},
          {"patientName", view.patientName},
          {"studyId", view.studyId},
          {"fhr1", Optional(view.fhr1)},
          {"fhr2", Optional(view.fhr2)},
          {"mhr", Optional(view.mhr)},
          {"uc", Optional(view.uc)},
          {"alarms", Alarms(view.alarms)}};
}

json WardJson::Beds(const std::vector<BedView>& views) {
  json list = json::array();
  for (const BedView& view : views) list.push_back(Bed(view));
  return list;
}

std::string WardJson::Samples(int bed, const TraceBatch& batch, std::size_t first, const char* type,
                              const std::vector<WardAlarm>* alarms) {
  const auto& samples = batch.samples;
  first = std::min(first, samples.size());
  const std::size_t end = samples.size();
  std::string out;
  out.reserve(128 + (end - first) * 32);
  // Keys in the order of their names, as the rest of the JSON has them.
  out += '{';
  bool codes = false;
  for (std::size_t channel = 0; channel < kTraceChannelCount; ++channel) {
    if (!AnySample(samples, first, [&](const TraceSample& s) { return s.alarms[channel] != 0; })) continue;
    out += codes ? ",\"" : "\"alarmCodes\":{\"";
    out += kChannelNames[channel];
    out += "\":";
    AppendArray(out, first, end, [&](std::size_t index) { out += std::to_string(samples[index].alarms[channel]); });
    codes = true;
  }
  if (codes) out += "},";
  if (alarms) out += "\"alarms\":" + Alarms(*alarms).dump() + ",";
  if (batch.arrived != std::chrono::system_clock::time_point{}) {
    out += "\"arrivedMs\":" + std::to_string(Milliseconds(batch.arrived)) + ",";
  }
  out += "\"bed\":" + std::to_string(bed) + ",\"count\":" + std::to_string(end - first) + ",";
  if (AnySample(samples, first, [](const TraceSample& s) { return s.marks != 0; })) {
    out += "\"marks\":";
    AppendArray(out, first, end, [&](std::size_t index) { out += std::to_string(samples[index].marks); });
    out += ',';
  }
  out += "\"periodMs\":" + std::to_string(TraceBatch::kSamplePeriod.count()) + ",\"startMs\":" +
         std::to_string(Milliseconds(batch.start + TraceBatch::kSamplePeriod * static_cast<long>(first))) + ",";
  if (type) out += std::string("\"type\":\"") + type + "\",";
  out += "\"values\":{";
  bool values = false;
  for (std::size_t channel = 0; channel < kTraceChannelCount; ++channel) {
    if (!AnySample(samples, first, [&](const TraceSample& s) { return s.values[channel].has_value(); })) continue;
    out += values ? ",\"" : "\"";
    out += kChannelNames[channel];
    out += "\":";
    AppendArray(out, first, end, [&](std::size_t index) { AppendValue(out, samples[index].values[channel]); });
    values = true;
  }
  out += "}}";
  return out;
}

json WardJson::Patient(const MonitoredPatient& patient) {
  return {{"id", patient.id},
          {"firstName", patient.firstName},
          {"lastName", patient.lastName},
          {"birthday", patient.birthday ? json(Date(*patient.birthday)) : json(nullptr)},
          {"version", patient.version}};
}

std::optional<MonitoredPatient> WardJson::ParsePatient(const json& body, std::string& fault) {
  if (!body.is_object()) {
    fault = "the correction must be a JSON object";
    return std::nullopt;
  }
  MonitoredPatient patient;
  for (auto [name, field] : {std::pair{"id", &patient.id}, std::pair{"firstName", &patient.firstName},
                             std::pair{"lastName", &patient.lastName}, std::pair{"version", &patient.version}}) {
    auto text = TextField(body, name, fault);
    if (!text) return std::nullopt;
    *field = std::move(*text);
  }
  const auto birthday = body.find("birthday");
  if (birthday != body.end() && !birthday->is_null()) {
    patient.birthday = birthday->is_string() ? ParseDate(birthday->get<std::string>()) : std::nullopt;
    if (!patient.birthday) {
      fault = "\"birthday\" must be a date YYYY-MM-DD or null";
      return std::nullopt;
    }
  }
  return patient;
}

json WardJson::AlarmTexts() {
  // The maps a strip names each channel's alarm statuses with (StripPage's channels).
  static constexpr std::pair<const char*, ObConstMap::CMAP_TYPE> kMaps[] = {
      {"FHR1", ObConstMap::CMAP_FHR1_ALARM}, {"FHR2", ObConstMap::CMAP_FHR2_ALARM},
      {"FECG", ObConstMap::CMAP_FECG_ALARM}, {"MHR", ObConstMap::CMAP_ECG_ALARM},
      {"UC", ObConstMap::CMAP_UC_ALARM},     {"IUP", ObConstMap::CMAP_IUP_ALARM}};
  json texts = json::object();
  for (const auto& [channel, map] : kMaps) {
    json codes = json::object();
    for (int index = 0; index < ObConstMap::GetMapSize(map); ++index) {
      std::string text;
      // A text that is no text of the process code page is left out: the band then shows the code.
      if (!AnsiToUtf8(ObConstMap::GetMapText(map, index).GetString(), text)) continue;
      codes[std::to_string(ObConstMap::GetMapConst(map, index))] = text;
    }
    texts[channel] = std::move(codes);
  }
  return texts;
}
