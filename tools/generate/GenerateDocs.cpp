// Writes the manual page and the bash completion of the tool from its command line, at build
// time: `vudoda_generate_docs MANUAL_PAGE COMPLETION`.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/BashCompletion.h"
#include "tools/ManualPage.h"
#include "tools/ToolMain.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: vudoda_generate_docs MANUAL_PAGE COMPLETION\n";
    return kExitUsage;
  }
  std::istringstream in;
  ToolIo io{in, std::cout, std::cerr};
  CommandRun run{io};
  const std::unique_ptr<CLI::App> tool = MakeToolApp(run);
  std::ofstream manual(argv[1]);
  WriteManualPage(*tool, VUDODA_VERSION, manual);
  std::ofstream completion(argv[2]);
  WriteBashCompletion(*tool, completion);
  manual.close();
  completion.close();
  if (!manual || !completion) {
    std::cerr << "vudoda_generate_docs: cannot write " << argv[1] << " or " << argv[2] << '\n';
    return kExitFailure;
  }
  return kExitOk;
}
