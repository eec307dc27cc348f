#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tools/ToolMain.h"

// What one run of the tool printed and returned.
struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

// Runs `vudoda ARGS` in this process, with `input` as its standard input.
inline ToolRun RunVudoda(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  ToolIo io{in, out, err};
  const int exitCode = RunTool(args, io);
  return ToolRun{exitCode, out.str(), err.str()};
}
