#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tools/ToolMain.h"

// One run of the tool as a user makes it: the arguments after "vudoda", standard input, and
// what the run printed and returned.
struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

inline ToolRun RunVudoda(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  ToolIo io{in, out, err};
  const int exitCode = RunTool(args, io);
  return ToolRun{exitCode, out.str(), err.str()};
}
