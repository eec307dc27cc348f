#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "hospital/HospitalApi.h"
#include "hospital/Hl7Field.h"

// One segment of an HL7 v2 message: its three-character name ("PID") and its fields, counted
// from 1 as HL7 writes "PID-3". In an MSH segment, field 1 is the field separator and field 2
// the encoding characters, each held as one plain value; its other fields are ordinary. Reading
// a field the segment does not have gives an empty field; setting one grows the segment to it.
class VUDODA_HOSPITAL_API Hl7Segment {
 public:
  explicit Hl7Segment(std::string name) : m_name(std::move(name)) {}

  const std::string& Name() const { return m_name; }
  std::size_t FieldCount() const { return m_fields.size(); }
  const Hl7Field& Field(std::size_t number) const;
  Hl7Field& MutableField(std::size_t number);

  // Field `number`'s value at a component and subcomponent (from 1) of its first repetition.
  const std::string& Value(std::size_t number, std::size_t component = 1, std::size_t subcomponent = 1) const {
    return Field(number).Value(component, subcomponent);
  }
  void Set(std::size_t number, std::string value, std::size_t component = 1, std::size_t subcomponent = 1) {
    MutableField(number).Set(std::move(value), component, subcomponent);
  }

 private:
  std::string m_name;
  std::vector<Hl7Field> m_fields;  // field 1 first
};
