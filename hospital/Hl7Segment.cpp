#include "hospital/Hl7Segment.h"

namespace {

const Hl7Field kEmptyField;

}  // namespace

const Hl7Field& Hl7Segment::Field(std::size_t number) const {
  return number == 0 || number > m_fields.size() ? kEmptyField : m_fields[number - 1];
}

Hl7Field& Hl7Segment::MutableField(std::size_t number) {
  if (number == 0) number = 1;
  if (m_fields.size() < number) m_fields.resize(number);
  return m_fields[number - 1];
}
