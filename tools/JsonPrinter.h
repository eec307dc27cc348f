#pragma once

#include <iosfwd>

#include "tools/DecodePrinter.h"

// One JSON object per line, each with an "event" member:
//   {"event":"packet","offset":O,"packet":"PKParam_v110","key":255,"fields":{...}}
//   {"event":"unknown","offset":O,"length":L}
//   {"event":"truncated","offset":O,"length":L,"packet":"PKParam_v110"}
//   {"event":"summary","packets":{...},"unknown_bytes":U,"unknown_runs":R,"truncated_bytes":T}
// Fields keep the packet's order; a list field is an array; a missing value is null. A coded
// field is followed by "<name>_text": its map text, or null when its map has no row for it. A text
// that is not valid UTF-8 has its faulty bytes replaced by U+FFFD.
class JsonPrinter : public DecodePrinter {
 public:
  explicit JsonPrinter(std::ostream& out);

  void PrintPacket(const FrameEvent& event, const std::vector<Field>& fields) override;
  void PrintUnframed(const FrameEvent& event) override;
  void PrintSummary(const DecodeSummary& summary) override;

 private:
  std::ostream& m_out;
};
