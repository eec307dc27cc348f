#include "tools/SimulateCommand.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <ostream>

#include "station/HexText.h"
#include "station/MonitorSimulator.h"

const char kSimulateUsage[] = "vudoda simulate [--seconds N] [--seed N] [--hex] [-o FILE]";

namespace {

constexpr const char* kCommand = "simulate";
constexpr CommandLine::Option kOptions[] = {
    {"--seconds", true}, {"--seed", true}, {"--hex", false}, {"-o", true}};
constexpr double kDefaultSeconds = 60;
constexpr std::uint32_t kDefaultSeed = 1;
// The time stamps are milliseconds in four bytes: 49 days fit, thirty are allowed.
constexpr double kMaxSeconds = 30 * 24 * 3600;

struct SimulateOptions {
  double seconds = kDefaultSeconds;
  std::uint32_t seed = kDefaultSeed;
  bool hex = false;
  std::string outputName;  // empty: standard output
};

// Returns the fault, or nullopt with `options` filled.
std::optional<std::string> ReadOptions(std::span<const std::string> args,
                                       SimulateOptions& options) {
  CommandLine line(kOptions);
  if (std::optional<std::string> fault = line.Parse(args)) return fault;
  if (!line.Operands().empty()) return "unexpected argument " + line.Operands().front();
  if (const std::optional<std::string> seconds = line.Value("--seconds")) {
    const std::optional<double> value = ParseNonNegative(*seconds, kMaxSeconds);
    if (!value) {
      return "--seconds takes a number from 0 to " +
             std::to_string(static_cast<long>(kMaxSeconds)) + ", not '" + *seconds + "'";
    }
    options.seconds = *value;
  }
  if (const std::optional<std::string> seed = line.Value("--seed")) {
    constexpr std::uint32_t kMaxSeed = std::numeric_limits<std::uint32_t>::max();
    const std::optional<std::uint64_t> value = ParseUnsigned(*seed, kMaxSeed);
    if (!value) {
      return "--seed takes a whole number from 0 to " + std::to_string(kMaxSeed) + ", not '" +
             *seed + "'";
    }
    options.seed = static_cast<std::uint32_t>(*value);
  }
  options.hex = line.Has("--hex");
  const std::string output = line.Value("-o").value_or("-");
  if (output != "-") options.outputName = output;
  return std::nullopt;
}

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

int RunSimulate(std::span<const std::string> args, ToolIo& io) {
  SimulateOptions options;
  if (const std::optional<std::string> fault = ReadOptions(args, options)) {
    return ReportUsageFault(io, kCommand, kSimulateUsage, *fault);
  }
  if (options.outputName.empty()) {
    Simulate(options, io.out);
    return io.out ? kExitOk : ReportFailure(io, kCommand, "cannot write standard output");
  }
  std::ofstream file(options.outputName, std::ios::binary | std::ios::trunc);
  if (!file) {
    return ReportFailure(io, kCommand,
                         "cannot create " + options.outputName + ": " + std::strerror(errno));
  }
  Simulate(options, file);
  file.close();
  return file ? kExitOk : ReportFailure(io, kCommand, "cannot write " + options.outputName);
}
