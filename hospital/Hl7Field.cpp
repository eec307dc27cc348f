#include "hospital/Hl7Field.h"

namespace {

const std::string kEmpty;

// Calls `take` with each piece of `text` between `separator`s (one piece for a text without
// any); stops and returns false as soon as `take` does.
template <class Take>
bool Split(std::string_view text, char separator, Take take) {
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = text.find(separator, begin);
    if (!take(text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin))) return false;
    if (end == std::string_view::npos) return true;
    begin = end + 1;
  }
}

// Drops the empty places at the end of `parts`, keeping at least one.
template <class Part, class IsEmpty>
std::size_t UsedCount(const std::vector<Part>& parts, IsEmpty isEmpty) {
  std::size_t used = parts.size();
  while (used > 1 && isEmpty(parts[used - 1])) --used;
  return used;
}

bool ComponentIsEmpty(const Hl7Field::Component& component) {
  for (const std::string& value : component)
    if (!value.empty()) return false;
  return true;
}

bool RepetitionIsEmpty(const Hl7Field::Repetition& repetition) {
  for (const Hl7Field::Component& component : repetition)
    if (!ComponentIsEmpty(component)) return false;
  return true;
}

}  // namespace

std::optional<Hl7Field> Hl7Field::Parse(std::string_view raw, const Hl7Delimiters& delimiters, std::size_t& budget) {
  Hl7Field field;
  const bool whole = Split(raw, delimiters.repetition, [&](std::string_view repetitionText) {
    Repetition& repetition = field.m_repetitions.emplace_back();
    return Split(repetitionText, delimiters.component, [&](std::string_view componentText) {
      Component& component = repetition.emplace_back();
      return Split(componentText, delimiters.subcomponent, [&](std::string_view value) {
        if (budget == 0) return false;
        --budget;
        component.push_back(delimiters.Unescape(value));
        return true;
      });
    });
  });
  if (!whole) return std::nullopt;
  return field;
}

std::string Hl7Field::Serialise(const Hl7Delimiters& delimiters) const {
  std::string text;
  const std::size_t repetitions = UsedCount(m_repetitions, RepetitionIsEmpty);
  for (std::size_t r = 0; r < repetitions; ++r) {
    if (r > 0) text.push_back(delimiters.repetition);
    const Repetition& repetition = m_repetitions[r];
    const std::size_t components = UsedCount(repetition, ComponentIsEmpty);
    for (std::size_t c = 0; c < components; ++c) {
      if (c > 0) text.push_back(delimiters.component);
      const Component& component = repetition[c];
      const std::size_t values = UsedCount(component, [](const std::string& value) { return value.empty(); });
      for (std::size_t s = 0; s < values; ++s) {
        if (s > 0) text.push_back(delimiters.subcomponent);
        text += delimiters.Escape(component[s]);
      }
    }
  }
  return text;
}

const std::string& Hl7Field::Value(std::size_t component, std::size_t subcomponent, std::size_t repetition) const {
  if (component == 0 || subcomponent == 0 || repetition >= m_repetitions.size()) return kEmpty;
  const Repetition& components = m_repetitions[repetition];
  if (component > components.size()) return kEmpty;
  const Component& values = components[component - 1];
  return subcomponent > values.size() ? kEmpty : values[subcomponent - 1];
}

void Hl7Field::Set(std::string value, std::size_t component, std::size_t subcomponent, std::size_t repetition) {
  if (component == 0 || subcomponent == 0) return;
  if (m_repetitions.size() <= repetition) m_repetitions.resize(repetition + 1, Repetition(1, Component(1)));
  Repetition& components = m_repetitions[repetition];
  if (components.size() < component) components.resize(component, Component(1));
  Component& values = components[component - 1];
  if (values.size() < subcomponent) values.resize(subcomponent);
  values[subcomponent - 1] = std::move(value);
}

bool Hl7Field::IsEmpty() const {
  for (const Repetition& repetition : m_repetitions)
    if (!RepetitionIsEmpty(repetition)) return false;
  return true;
}
