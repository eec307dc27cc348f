#pragma once

#include <iosfwd>

#include "tools/DecodePrinter.h"

// Readable text: a line per packet (offset, kind, key) and an indented line per field, its
// values separated by blanks and a missing value written "absent" (a list missing every value:
// "absent (all N)"); texts are quoted with control characters escaped. A coded value is
// followed by its map text in parentheses, when its map has a row for it. Unknown bytes, the
// truncated tail and the summary get one line each.
class TextPrinter : public DecodePrinter {
 public:
  explicit TextPrinter(std::ostream& out);

  void PrintPacket(const FrameEvent& event, const std::vector<Field>& fields) override;
  void PrintUnframed(const FrameEvent& event) override;
  void PrintSummary(const DecodeSummary& summary) override;

 private:
  void PrintValue(const FieldValue& value);

  std::ostream& m_out;
};
