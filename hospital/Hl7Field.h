#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hospital/HospitalApi.h"
#include "hospital/Hl7Delimiters.h"

// One field of an HL7 v2 segment: its repetitions, each of components, each of subcomponents,
// every value held as its plain text (escape sequences decoded). Components and subcomponents
// are counted from 1, repetitions from 0, as HL7 writes "PID-5.2" for the second component of
// the first name. Reading a place the field does not have gives the empty text; setting one
// grows the field to it.
class VUDODA_HOSPITAL_API Hl7Field {
 public:
  using Component = std::vector<std::string>;  // its subcomponents
  using Repetition = std::vector<Component>;

  Hl7Field() = default;
  explicit Hl7Field(std::string value) { Set(std::move(value)); }

  // A field's text as it stands in a message, split by `delimiters` and unescaped. Each value
  // taken costs one from `budget`; nullopt when the budget runs out (the field is then not
  // whole).
  static std::optional<Hl7Field> Parse(std::string_view raw, const Hl7Delimiters& delimiters, std::size_t& budget);
  // The field as it stands in a message: values escaped, empty trailing places left out.
  std::string Serialise(const Hl7Delimiters& delimiters) const;

  const std::string& Value(std::size_t component = 1, std::size_t subcomponent = 1, std::size_t repetition = 0) const;
  void Set(std::string value, std::size_t component = 1, std::size_t subcomponent = 1, std::size_t repetition = 0);

  std::size_t RepetitionCount() const { return m_repetitions.size(); }
  // The field's repetitions; a repetition holds at least one component.
  const std::vector<Repetition>& Repetitions() const { return m_repetitions; }
  bool IsEmpty() const;

 private:
  std::vector<Repetition> m_repetitions;
};
