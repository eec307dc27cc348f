#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "tools/ToolMain.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // A reader that closes the output early (head, a pager) must not kill the tool: a write to it
  // fails instead, a station goes on recording, and any other command stops writing and ends.
  std::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  ToolIo io{std::cin, std::cout, std::cerr};
  return RunTool(args, io);
}
