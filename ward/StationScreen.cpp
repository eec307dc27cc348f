#include "ward/StationScreen.h"

#include <cstdio>
#include <ostream>

#include "ward/LocalTimeText.h"

namespace {

// Cursor to the top left, then clear the screen.
constexpr const char* kRedraw = "\x1b[H\x1b[2J";

std::string TimeOfDay() { return LocalTimeText("%H:%M:%S"); }

const char* LinkText(BedRow::Link link) {
  switch (link) {
    case BedRow::Link::Free: return "free";
    case BedRow::Link::Connected: return "live";
    case BedRow::Link::Silent: return "COMM FAIL";
    case BedRow::Link::Lost: return "COMM FAIL";
  }
  return "";
}

std::string Value(int value) { return value < 0 ? "---" : std::to_string(value); }

std::string Duration(long seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

// `text` in a column of `width`, cut where longer, so that a blank always ends the column.
std::string Padded(std::string text, std::size_t width) {
  if (text.size() >= width) text.resize(width - 1);
  text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

StationScreen::StationScreen(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}

void StationScreen::ShowEvent(const std::string& event) {
  if (!m_terminal) {
    m_out << StampText() << ' ' << event << '\n' << std::flush;
    return;
  }
  m_events.push_back(TimeOfDay() + ' ' + event);
  if (m_events.size() > kEventsShown) m_events.pop_front();
}

void StationScreen::ShowRows(const std::vector<BedRow>& rows) {
  if (!m_terminal) return;
  std::string beds;
  std::size_t inUse = 0;
  for (const BedRow& row : rows) {
    if (row.link == BedRow::Link::Free) continue;
    ++inUse;
    beds += RowLine(row) + '\n';
  }
  m_out << kRedraw << TimeOfDay() << "  " << inUse << " of " << rows.size() << " beds in use"
        << (m_status.empty() ? "" : "  " + m_status) << '\n' << beds << '\n';
  for (const std::string& event : m_events) m_out << event << '\n';
  m_out << std::flush;
}

std::string StationScreen::RowLine(const BedRow& row) {
  std::string line = "bed " + Padded(std::to_string(row.bed), 3) + Padded(LinkText(row.link), 10);
  line += Padded(row.patientId.empty() ? "(no patient yet)" : row.patientId + " " + row.patientName, 34);
  line += "FHR1 " + Padded(Value(row.fhr1), 4) + "FHR2 " + Padded(Value(row.fhr2), 4) + "UC " +
          Padded(Value(row.uc), 4) + "MHR " + Padded(Value(row.mhr), 4) + "SpO2 " + Padded(Value(row.spo2), 4) +
          "NIBP " + Padded(Value(row.nibpSystolic) + "/" + Value(row.nibpDiastolic), 8);
  line += "rec " + Duration(row.lengthSeconds) + " loss " + std::to_string(row.lossSeconds) + " s";
  if (row.badBytes > 0) line += "  bad bytes " + std::to_string(row.badBytes);
  for (const std::string& alarm : row.alarms) line += "  [" + alarm + "]";
  return line;
}
