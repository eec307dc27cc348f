#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hospital/HospitalApi.h"
#include "hospital/Hl7Delimiters.h"
#include "hospital/Hl7Segment.h"

// An HL7 v2 message: its delimiters and its segments, the first an MSH.
//
// Parse takes a message's bytes as they come from the wire (segments ended by CR; LF and CR LF
// are taken too, empty lines skipped) with the delimiters its MSH declares. Bytes are kept as
// they are: the character set (MSH-18) is the reader's to apply. Anything that is not a message
// is a fault with a reason, never a crash: no MSH first, broken encoding characters, a segment
// without a valid name, more than kMaxBytes bytes or more than kMaxValues values (which bounds
// the memory a hostile message costs to a few times its size). Batches (FHS, BHS) are not taken.
//
// A new message holds one MSH with the default delimiters "|^~\&"; Serialise writes the
// segments each ended by CR, every value escaped.
class VUDODA_HOSPITAL_API Hl7Message {
 public:
  static constexpr std::size_t kMaxBytes = 2 * 1024 * 1024;
  static constexpr std::size_t kMaxValues = 100000;

  explicit Hl7Message(const Hl7Delimiters& delimiters = {});

  // The message in `text`, or nullopt with the fault.
  static std::optional<Hl7Message> Parse(std::string_view text, std::string& fault);
  std::string Serialise() const;

  const Hl7Delimiters& Delimiters() const { return m_delimiters; }
  const std::vector<Hl7Segment>& Segments() const { return m_segments; }
  // The `occurrence`-th (from 0) segment named `name`, or null.
  const Hl7Segment* Find(std::string_view name, std::size_t occurrence = 0) const;
  Hl7Segment* Find(std::string_view name, std::size_t occurrence = 0);
  // The MSH segment (always the first).
  const Hl7Segment& Header() const { return m_segments.front(); }
  Hl7Segment& Header() { return m_segments.front(); }
  // A value of the first segment named `segment` (its field's first repetition); empty when the
  // message has no such segment or value.
  const std::string& Value(std::string_view segment, std::size_t field, std::size_t component = 1,
                           std::size_t subcomponent = 1) const;

  // Appends a segment named `name` and returns it.
  Hl7Segment& Add(std::string name);

 private:
  Hl7Delimiters m_delimiters;
  std::vector<Hl7Segment> m_segments;
};
