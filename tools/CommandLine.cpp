#include "tools/CommandLine.h"

#include <ostream>

namespace {

void WriteErrorLine(ToolIo& io, std::string_view command, std::string_view text) {
  io.err << "vudoda " << command << ": " << text << '\n';
}

}  // namespace

int ReportUsageFault(ToolIo& io, std::string_view command, std::string_view fault) {
  WriteErrorLine(io, command, fault);
  return kExitUsage;
}

int ReportFailure(ToolIo& io, std::string_view command, std::string_view fault) {
  WriteErrorLine(io, command, fault);
  return kExitFailure;
}

void ReportNote(ToolIo& io, std::string_view command, std::string_view note) {
  if (!note.empty()) WriteErrorLine(io, command, "note: " + std::string(note));
}
