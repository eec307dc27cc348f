#include "tools/TextPrinter.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <ostream>
#include <string>

#include "link/HexText.h"
#include "tools/MapText.h"

namespace {

constexpr int kNameWidth = 20;

// Quoted, so that an empty text and trailing blanks show; bytes above 127 stay as they are
// (the link's texts are in the station's code page).
std::string QuotedText(const std::string& text) {
  std::string quoted = "\"";
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      quoted += '\\';
      quoted += ch;
    } else if (byte < 0x20 || byte == 0x7F) {
      quoted += "\\x" + HexByte(byte);
    } else {
      quoted += ch;
    }
  }
  return quoted + '"';
}

// A channel without a sensor is absent throughout; one word says so more plainly than many.
bool IsAllAbsent(const Field& field) {
  return field.isList && std::none_of(field.values.begin(), field.values.end(),
                                      [](const FieldValue& value) { return value.has_value(); });
}

// "1 packet", "2 packets".
std::string Counted(std::uint64_t count, const std::string& noun) {
  return std::to_string(count) + ' ' + noun + (count == 1 ? "" : "s");
}

}  // namespace

TextPrinter::TextPrinter(std::ostream& out) : m_out(out) {}

void TextPrinter::PrintPacket(const FrameEvent& event, const std::vector<Field>& fields) {
  m_out << "offset " << event.offset << ": " << event.kind->name << ", key "
        << "0x" << HexByte(event.bytes.back()) << '\n';
  for (const Field& field : fields) {
    m_out << "  " << std::left << std::setw(kNameWidth - 1) << field.name << ' ';
    if (IsAllAbsent(field)) {
      m_out << "absent (all " << field.values.size() << ")\n";
      continue;
    }
    for (std::size_t i = 0; i < field.values.size(); ++i) {
      if (i > 0) m_out << ' ';
      PrintValue(field.values[i]);
    }
    const std::optional<std::string> text = MapText(field);
    if (text && !text->empty()) m_out << " (" << *text << ')';
    m_out << '\n';
  }
}

void TextPrinter::PrintValue(const FieldValue& value) {
  if (!value) {
    m_out << "absent";
    return;
  }
  if (const auto* number = std::get_if<long long>(&*value)) {
    m_out << *number;
  } else if (const auto* real = std::get_if<RealValue>(&*value)) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", real->decimals, real->value);
    m_out << text;
  } else {
    m_out << QuotedText(std::get<std::string>(*value));
  }
}

void TextPrinter::PrintUnframed(const FrameEvent& event) {
  m_out << "offset " << event.offset << ": ";
  if (event.type == FrameEvent::Type::Unknown && event.kind != nullptr) {
    m_out << "1 unknown byte, a " << event.kind->name << " header whose packet ends in 0x"
          << HexByte(event.bytes.back()) << ", not its key 0x" << HexByte(event.kind->key) << '\n';
  } else if (event.type == FrameEvent::Type::Unknown) {
    m_out << Counted(event.length, "unknown byte") << '\n';
  } else {
    m_out << "truncated tail, " << event.length << " bytes of a " << event.kind->size << "-byte "
          << event.kind->name << '\n';
  }
}

void TextPrinter::PrintSummary(const DecodeSummary& summary) {
  m_out << "summary: " << Counted(summary.Packets(), "packet");
  const char* separator = " (";
  for (const PacketKind& kind : AllPacketKinds()) {
    const std::uint64_t count = summary.PacketsOf(kind.name);
    if (count == 0) continue;
    m_out << separator << count << ' ' << kind.name;
    separator = ", ";
  }
  if (summary.Packets() > 0) m_out << ')';
  m_out << "; " << Counted(summary.UnknownBytes(), "unknown byte") << " in "
        << Counted(summary.UnknownRuns(), "run") << "; "
        << Counted(summary.TruncatedBytes(), "byte") << " in a truncated tail\n";
}
