#include "tools/SimulateCommand.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>

#include "station/HexText.h"
#include "station/MonitorSimulator.h"
#include "tools/OptionChecks.h"

namespace {

constexpr const char* kCommand = "simulate";
// The time stamps are milliseconds in four bytes: 49 days fit, thirty are allowed.
constexpr double kMaxSeconds = 30 * 24 * 3600;

void WriteHexLine(std::ostream& out, std::span<const unsigned char> packet) {
  std::string line;
  line.reserve(packet.size() * 3);
  for (unsigned char byte : packet) {
    if (!line.empty()) line += ' ';
    line += HexByte(byte);
  }
  out << line << '\n';
}

void Simulate(const SimulateOptions& options, std::ostream& out) {
  MonitorSimulator simulator(options.seed);
  const auto milliseconds = static_cast<std::uint64_t>(std::floor(options.seconds * 1000));
  simulator.Run(milliseconds, [&](std::span<const unsigned char> packet) {
    if (options.hex) {
      WriteHexLine(out, packet);
    } else {
      out.write(reinterpret_cast<const char*>(packet.data()),
                static_cast<std::streamsize>(packet.size()));
    }
  });
  out.flush();
}

}  // namespace

void DefineSimulate(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<SimulateOptions>();
  command.add_option("--seconds", options->seconds, "length of the link in seconds")
      ->capture_default_str()
      ->check(DecimalBetween(0, kMaxSeconds));
  command.add_option("--seed", options->seed, "the made-up values' seed; the same seed, the same output")
      ->capture_default_str();
  command.add_flag("--hex", options->hex, "write hex text, one packet a line, instead of raw bytes");
  command.add_option("-o,--output", options->output, "write to FILE; - is standard output")
      ->type_name("FILE")
      ->capture_default_str();
  command.callback([options, &run] { run.exitCode = RunSimulate(*options, run.io); });
}

int RunSimulate(const SimulateOptions& options, ToolIo& io) {
  if (options.output == "-") {
    Simulate(options, io.out);
    return io.out ? kExitOk : ReportFailure(io, kCommand, "cannot write standard output");
  }
  std::ofstream file(options.output, std::ios::binary | std::ios::trunc);
  if (!file) {
    return ReportFailure(io, kCommand, "cannot create " + options.output + ": " + std::strerror(errno));
  }
  Simulate(options, file);
  file.close();
  return file ? kExitOk : ReportFailure(io, kCommand, "cannot write " + options.output);
}
