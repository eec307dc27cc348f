#include "recording/WfdbHeader.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <sstream>
#include <string_view>

#include "recording/WallTime.h"

namespace {

constexpr double kDefaultGain = 200;
// More signals than this is no CTG header but garbage read as one.
constexpr std::size_t kMaxSignals = 64;

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

template <class Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A number that scales samples: "nan" and "inf", which the number syntax also takes, are none.
std::optional<double> FiniteNumber(std::string_view text) {
  const std::optional<double> value = ParseNumber<double>(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

// The part of `text` before the first of `stops`, and the rest from there.
std::string_view Before(std::string_view text, std::string_view stops, std::string_view* rest) {
  const std::size_t at = std::min(text.find_first_of(stops), text.size());
  if (rest != nullptr) *rest = text.substr(at);
  return text.substr(0, at);
}

constexpr std::string_view kUtcOffsetComment = "UTC offset:";

// "HH:MM:SS[.fff]" and "DD/MM/YYYY" as seconds since 1970-01-01 00:00:00, on the wall.
std::optional<std::int64_t> ParseStart(const std::string& time, const std::string& date) {
  int hour = 0, minute = 0, day = 0, month = 0, year = 0;
  double second = 0;
  char c1 = 0, c2 = 0, d1 = 0, d2 = 0;
  std::istringstream timeText(time), dateText(date);
  if (!(timeText >> hour >> c1 >> minute >> c2 >> second) || c1 != ':' || c2 != ':') return std::nullopt;
  if (!(dateText >> day >> d1 >> month >> d2 >> year) || d1 != '/' || d2 != '/') return std::nullopt;
  const std::chrono::year_month_day ymd{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                        std::chrono::day(static_cast<unsigned>(day))};
  if (!ymd.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second >= 61) {
    return std::nullopt;
  }
  const std::int64_t days = std::chrono::sys_days(ymd).time_since_epoch().count();
  return days * 86400 + hour * 3600 + minute * 60 + static_cast<std::int64_t>(second);
}

}  // namespace

std::optional<std::string> WfdbHeader::Parse(std::istream& text) {
  bool haveRecordLine = false;
  int lineNumber = 0;
  for (std::string line; std::getline(text, line);) {
    ++lineNumber;
    // Blank is what separates words, form feeds and carriage returns included.
    const std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    if (words.front().front() == '#') {
      ParseComment(line);
      continue;
    }
    std::optional<std::string> fault;
    if (!haveRecordLine) {
      fault = ParseRecordLine(words);
      haveRecordLine = true;
    } else if (m_signals.size() < m_signalCount) {
      fault = ParseSignalLine(words);
    }
    if (fault) return "line " + std::to_string(lineNumber) + ": " + *fault;
  }
  if (!haveRecordLine) return "no record line";
  if (m_signals.size() < m_signalCount) {
    return "the record line announces " + std::to_string(m_signalCount) + " signals, but " +
           std::to_string(m_signals.size()) + " follow";
  }
  return std::nullopt;
}

std::optional<std::string> WfdbHeader::ParseRecordLine(const std::vector<std::string>& words) {
  std::string_view segments;
  m_recordName = std::string(Before(words[0], "/", &segments));
  if (!segments.empty()) return "a multi-segment record is not read";
  if (words.size() < 2) return "the record line names no number of signals";
  const std::optional<std::size_t> count = ParseNumber<std::size_t>(words[1]);
  if (!count || *count == 0 || *count > kMaxSignals) return "number of signals '" + words[1] + "' is not 1 to 64";
  m_signalCount = *count;
  if (words.size() > 2) {
    const std::optional<double> frequency = FiniteNumber(Before(words[2], "/(", nullptr));
    if (!frequency || *frequency <= 0) {
      return "sampling frequency '" + words[2] + "' is not a positive number";
    }
    m_frequency = *frequency;
  }
  if (words.size() > 3) {
    m_sampleCount = ParseNumber<std::uint64_t>(words[3]);
    if (!m_sampleCount) return "number of samples '" + words[3] + "' is not a whole number";
  }
  if (words.size() > 5) {
    m_baseWallSeconds = ParseStart(words[4], words[5]);
    if (!m_baseWallSeconds) return "start '" + words[4] + " " + words[5] + "' is not HH:MM:SS DD/MM/YYYY";
  }
  return std::nullopt;
}

std::optional<std::int64_t> WfdbHeader::StartTime() const {
  if (!m_baseWallSeconds) return std::nullopt;
  return m_utcOffset ? *m_baseWallSeconds - *m_utcOffset : WallTime::FromLocal(*m_baseWallSeconds);
}

// "# UTC offset: +hh:mm", blanks around its parts free.
void WfdbHeader::ParseComment(const std::string& line) {
  std::istringstream text(line.substr(line.find('#') + 1));
  std::string label(kUtcOffsetComment.size(), ' ');
  text >> std::ws;
  text.read(label.data(), static_cast<std::streamsize>(label.size()));
  char sign = 0, colon = 0;
  int hours = -1, minutes = -1;
  if (!text || label != kUtcOffsetComment || !(text >> sign >> hours >> colon >> minutes) || colon != ':') return;
  if ((sign != '+' && sign != '-') || hours > 23 || minutes > 59 || hours < 0 || minutes < 0) return;
  m_utcOffset = (sign == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
}

std::optional<std::string> WfdbHeader::ParseSignalLine(const std::vector<std::string>& words) {
  if (words.size() < 2) return "the signal line names no format";
  Signal signal;
  signal.fileName = words[0];
  std::string_view rest;
  const std::optional<int> format = ParseNumber<int>(Before(words[1], "x:+", &rest));
  if (!format) return "format '" + words[1] + "' is not a number";
  signal.format = *format;
  while (!rest.empty()) {
    const char mark = rest.front();
    const std::string_view number = Before(rest.substr(1), "x:+", &rest);
    const std::optional<std::uint64_t> value = ParseNumber<std::uint64_t>(number);
    if (!value) return "format '" + words[1] + "' has a bad suffix";
    if (mark == 'x') signal.samplesPerFrame = static_cast<int>(std::min<std::uint64_t>(*value, 1'000'000));
    if (mark == '+') signal.byteOffset = *value;
  }
  double adcZero = 0;
  std::optional<double> baseline;
  if (words.size() > 2) {
    std::string_view after;
    const std::optional<double> gain = FiniteNumber(Before(words[2], "(/", &after));
    if (!gain) return "gain '" + words[2] + "' is not a number";
    signal.gain = *gain == 0 ? kDefaultGain : *gain;
    if (!after.empty() && after.front() == '(') {
      baseline = FiniteNumber(Before(after.substr(1), ")", &after));
      if (!baseline || after.empty()) return "baseline in '" + words[2] + "' is not a number";
      after.remove_prefix(1);
    }
    if (!after.empty() && after.front() == '/') signal.units = std::string(after.substr(1));
  }
  if (words.size() > 4) {
    const std::optional<double> zero = FiniteNumber(words[4]);
    if (!zero) return "ADC zero '" + words[4] + "' is not a number";
    adcZero = *zero;
  }
  signal.baseline = baseline.value_or(adcZero);
  for (std::size_t i = 8; i < words.size(); ++i) {
    signal.description += (i > 8 ? " " : "") + words[i];
  }
  m_signals.push_back(signal);
  return std::nullopt;
}
