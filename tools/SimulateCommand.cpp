#include "tools/SimulateCommand.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>
#include <ostream>

#include "link/HexText.h"
#include "link/LinkConnection.h"
#include "link/LinkPacer.h"
#include "link/MonitorSimulator.h"
#include "recording/RecordingReader.h"
#include "recording/RecordingReplay.h"
#include "tools/OptionChecks.h"
#include "tools/OutputStream.h"

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

// Writes each packet to `out`; a paced link is flushed packet by packet, so that a reader sees
// it as it comes. Refuses the rest once the stream failed.
PacketSink StreamSink(std::ostream& out, bool hex, bool paced) {
  return [&out, hex, paced](std::span<const unsigned char> packet) {
    if (hex) {
      WriteHexLine(out, packet);
    } else {
      out.write(reinterpret_cast<const char*>(packet.data()), static_cast<std::streamsize>(packet.size()));
    }
    if (paced) out.flush();
    return static_cast<bool>(out);
  };
}

// Plays the chosen monitor into `sink`; returns the fault of a recording that cannot be played.
std::optional<std::string> Play(const SimulateOptions& options, const PacketSink& sink) {
  if (options.replay.empty()) {
    MonitorSimulator(options.seed).Run(static_cast<std::uint64_t>(std::floor(options.seconds * 1000)), sink);
    return std::nullopt;
  }
  std::string fault;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(options.replay, fault);
  if (!reader) return fault;
  if (std::optional<std::string> played = RecordingReplay(*reader).Run(sink)) return options.replay + ": " + *played;
  return std::nullopt;
}

// Plays at the monitor's pace when asked.
std::optional<std::string> PlayPaced(const SimulateOptions& options, PacketSink sink) {
  if (!options.realtime) return Play(options, sink);
  LinkPacer pacer(std::move(sink));
  return Play(options, [&pacer](std::span<const unsigned char> packet) { return pacer.Pass(packet); });
}

int SimulateToStation(const SimulateOptions& options, ToolIo& io) {
  LinkConnection connection;
  if (const std::optional<std::string> fault = connection.Connect(options.connect)) {
    return ReportFailure(io, kCommand, *fault);
  }
  const std::optional<std::string> fault =
      PlayPaced(options, [&connection](std::span<const unsigned char> packet) { return connection.Send(packet); });
  connection.Close();
  if (fault) return ReportFailure(io, kCommand, *fault);
  if (connection.Fault()) return ReportFailure(io, kCommand, options.connect + ": " + *connection.Fault());
  return kExitOk;
}

}  // namespace

void DefineSimulate(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<SimulateOptions>();
  CLI::Option* seconds = command.add_option("--seconds", options->seconds, "length of the link in seconds")
                             ->capture_default_str()
                             ->check(DecimalBetween(0, kMaxSeconds));
  CLI::Option* seed =
      command.add_option("--seed", options->seed, "the made-up values' seed; the same seed, the same output")
          ->capture_default_str();
  command.add_option("--replay", options->replay, "play a recording (.fhr, .fhrm, WFDB .hea, .csv) instead")
      ->type_name("FILE")
      ->excludes(seconds)
      ->excludes(seed);
  command.add_flag("--realtime", options->realtime, "send at the monitor's own pace instead of at once");
  CLI::Option* hex = command.add_flag("--hex", options->hex, "write hex text, one packet a line, instead of raw bytes");
  CLI::Option* output = command.add_option("-o,--output", options->output, "write to FILE; - is standard output")
                            ->type_name("FILE")
                            ->capture_default_str();
  command.add_option("--connect", options->connect, "send the link to a station over TCP instead")
      ->type_name("HOST:PORT")
      ->excludes(output)
      ->excludes(hex);
  command.callback([options, &run] { run.exitCode = RunSimulate(*options, run.io); });
}

int RunSimulate(const SimulateOptions& options, ToolIo& io) {
  if (!options.connect.empty()) return SimulateToStation(options, io);
  OutputStream output;
  if (const std::optional<std::string> fault = output.Open(options.output, io.out)) {
    return ReportFailure(io, kCommand, *fault);
  }
  const std::optional<std::string> fault =
      PlayPaced(options, StreamSink(output.Stream(), options.hex, options.realtime));
  if (ReaderLeft(output.Stream())) return kExitOk;
  if (fault) return ReportFailure(io, kCommand, *fault);
  if (const std::optional<std::string> closed = output.Close()) return ReportFailure(io, kCommand, *closed);
  return kExitOk;
}
