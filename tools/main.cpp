#include <iostream>
#include <string>
#include <vector>

#include "tools/ToolMain.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  ToolIo io{std::cin, std::cout, std::cerr};
  return RunTool(args, io);
}
