#include "tools/CommandLine.h"

#include <ostream>

int ReportUsageFault(ToolIo& io, std::string_view command, std::string_view fault) {
  io.err << "vudoda " << command << ": " << fault << '\n';
  return kExitUsage;
}

int ReportFailure(ToolIo& io, std::string_view command, std::string_view fault) {
  io.err << "vudoda " << command << ": " << fault << '\n';
  return kExitFailure;
}
