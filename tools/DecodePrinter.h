#pragma once

#include <vector>

#include "link/Field.h"
#include "link/StreamFramer.h"
#include "tools/DecodeSummary.h"

// Shows what decode finds in a stream. Both printers take the same field listing, so a field
// reads the same in text and in JSON.
class DecodePrinter {
 public:
  virtual ~DecodePrinter() = default;
  // A whole packet (`event` of type Packet) with its fields in the packet's order.
  virtual void PrintPacket(const FrameEvent& event, const std::vector<Field>& fields) = 0;
  // A run of unknown bytes or the truncated tail.
  virtual void PrintUnframed(const FrameEvent& event) = 0;
  // The counts of the whole stream, after everything else.
  virtual void PrintSummary(const DecodeSummary& summary) = 0;
};
