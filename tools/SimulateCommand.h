#pragma once

#include <cstdint>
#include <string>

#include "tools/CommandLine.h"

// What `vudoda simulate` is asked to write.
struct SimulateOptions {
  double seconds = 60;
  std::uint32_t seed = 1;
  bool hex = false;
  std::string output = "-";  // "-": standard output
  std::string replay;        // a recording to play; empty: the made-up monitor
  bool realtime = false;
  std::string connect;       // HOST:PORT of a station; empty: write to output
};

// `vudoda simulate [--seconds N] [--seed N | --replay FILE] [--realtime]
//                  [--hex] [-o FILE | --connect HOST:PORT]`.
void DefineSimulate(CLI::App& command, CommandRun& run);

// Writes the link of a made-up bedside monitor (see MonitorSimulator) for the given seconds, or
// of a monitor playing a recording (see RecordingReplay), as raw bytes or as hex text with one
// packet per line that `decode --hex` reads, to the output or over TCP to a station; with
// realtime, at the monitor's own pace (see LinkPacer). The bytes are the same either way.
// kExitFailure when the recording cannot be read, the station not reached or the output not
// written.
int RunSimulate(const SimulateOptions& options, ToolIo& io);
