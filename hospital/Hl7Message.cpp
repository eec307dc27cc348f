#include "hospital/Hl7Message.h"

#include <cctype>
#include <utility>

namespace {

const std::string kEmpty;

bool IsSegmentName(std::string_view name) {
  if (name.size() != 3 || !std::isupper(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name.substr(1))
    if (!std::isupper(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// The lines of `text` between CR or LF, empty ones left out.
std::vector<std::string_view> SegmentLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    if (end > begin) lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

std::string Place(std::size_t index, std::string_view name) {
  return "segment " + std::to_string(index + 1) + " (" + std::string(name.substr(0, 3)) + ")";
}

}  // namespace

Hl7Message::Hl7Message(const Hl7Delimiters& delimiters) : m_delimiters(delimiters) {
  Hl7Segment& header = Add("MSH");
  header.Set(1, std::string(1, delimiters.field));
  header.Set(2, delimiters.EncodingCharacters());
}

std::optional<Hl7Message> Hl7Message::Parse(std::string_view text, std::string& fault) {
  if (text.size() > kMaxBytes) {
    fault = "the message has " + std::to_string(text.size()) + " bytes, more than " + std::to_string(kMaxBytes);
    return std::nullopt;
  }
  const std::vector<std::string_view> lines = SegmentLines(text);
  if (lines.empty()) {
    fault = "the message is empty";
    return std::nullopt;
  }
  if (lines[0].starts_with("FHS") || lines[0].starts_with("BHS")) {
    fault = "batches (FHS, BHS) are not taken: send one message a frame";
    return std::nullopt;
  }
  const std::optional<Hl7Delimiters> delimiters = Hl7Delimiters::FromMsh(lines[0], fault);
  if (!delimiters) return std::nullopt;

  Hl7Message message(*delimiters);
  message.m_segments.clear();
  std::size_t budget = kMaxValues;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string_view line = lines[index];
    const std::size_t nameEnd = line.find(delimiters->field);
    const std::string_view name = line.substr(0, nameEnd);
    if (!IsSegmentName(name)) {
      fault = Place(index, name) + " does not begin with a segment name (three capitals or digits)";
      return std::nullopt;
    }
    if (index > 0 && name == "MSH") {
      fault = Place(index, name) + " is a second MSH: send one message a frame";
      return std::nullopt;
    }
    if (budget == 0) {
      fault = "the message holds more than " + std::to_string(kMaxValues) + " values";
      return std::nullopt;
    }
    --budget;  // a segment costs memory even without fields
    Hl7Segment& segment = message.Add(std::string(name));
    std::size_t number = 1;
    std::size_t begin = nameEnd;
    if (index == 0) {
      // MSH-1 and MSH-2 are the delimiters themselves, not values.
      segment.Set(1, std::string(1, delimiters->field));
      segment.Set(2, delimiters->EncodingCharacters());
      number = 3;
      begin = line.find(delimiters->field, 4);
    }
    while (begin != std::string_view::npos) {
      const std::size_t end = line.find(delimiters->field, begin + 1);
      const std::string_view raw =
          line.substr(begin + 1, end == std::string_view::npos ? std::string_view::npos : end - begin - 1);
      std::optional<Hl7Field> field = Hl7Field::Parse(raw, *delimiters, budget);
      if (!field) {
        fault = "the message holds more than " + std::to_string(kMaxValues) + " values";
        return std::nullopt;
      }
      segment.MutableField(number++) = std::move(*field);
      begin = end;
    }
  }
  return message;
}

std::string Hl7Message::Serialise() const {
  std::string text;
  for (const Hl7Segment& segment : m_segments) {
    text += segment.Name();
    std::size_t first = 1;
    if (segment.Name() == "MSH" && &segment == &m_segments.front()) {
      text.push_back(m_delimiters.field);
      text += m_delimiters.EncodingCharacters();
      first = 3;
    }
    std::size_t last = segment.FieldCount();
    while (last >= first && segment.Field(last).IsEmpty()) --last;
    for (std::size_t number = first; number <= last; ++number) {
      text.push_back(m_delimiters.field);
      text += segment.Field(number).Serialise(m_delimiters);
    }
    text.push_back('\r');
  }
  return text;
}

const Hl7Segment* Hl7Message::Find(std::string_view name, std::size_t occurrence) const {
  for (const Hl7Segment& segment : m_segments)
    if (segment.Name() == name && occurrence-- == 0) return &segment;
  return nullptr;
}

Hl7Segment* Hl7Message::Find(std::string_view name, std::size_t occurrence) {
  return const_cast<Hl7Segment*>(std::as_const(*this).Find(name, occurrence));
}

const std::string& Hl7Message::Value(std::string_view segment, std::size_t field, std::size_t component,
                                     std::size_t subcomponent) const {
  const Hl7Segment* found = Find(segment);
  return found ? found->Value(field, component, subcomponent) : kEmpty;
}

Hl7Segment& Hl7Message::Add(std::string name) { return m_segments.emplace_back(std::move(name)); }
