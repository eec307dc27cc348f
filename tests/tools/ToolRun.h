#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tools/ToolMain.h"

// One run of the station tool on in-memory streams.
struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

inline ToolRun RunVudoda(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  ToolIo io{in, out, err};
  const int exitCode = RunTool(args, io);
  return ToolRun{exitCode, out.str(), err.str()};
}
