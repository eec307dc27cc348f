#include "tools/ExportCommand.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <ostream>

#include "link/ByteStreamReader.h"
#include "recording/CtgTrace.h"
#include "recording/LinkExport.h"
#include "recording/RecordingWriter.h"
#include "tools/InputStream.h"
#include "tools/OutputStream.h"

namespace {

constexpr const char* kCommand = "export";

// "1:02:03" for a number of samples.
std::string Duration(std::uint64_t samples) {
  const std::uint64_t seconds = samples / CtgTrace::kSamplesPerSecond;
  char text[32];
  std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60));
  return text;
}

}  // namespace

void DefineExport(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<ExportOptions>();
  command.add_option("--format", options->format, "the recording's format")
      ->required()
      ->check(CLI::IsMember({"fhr", "fhrm", "wfdb", "csv"}));
  command.add_option("-o,--output", options->output, "write to FILE (wfdb: FILE.hea and FILE.dat); - is standard output")
      ->type_name("FILE")
      ->capture_default_str();
  command.add_flag("--hex", options->hex, "read hex text (two digits a byte, blanks between) instead of raw bytes");
  command.add_option("LINK", options->link, "the captured link; standard input without it or with -")
      ->capture_default_str();
  command.callback([options, &run] { run.exitCode = RunExport(*options, run.io); });
}

int RunExport(const ExportOptions& options, ToolIo& io) {
  InputStream input;
  if (const std::optional<std::string> fault = input.Open(options.link, io.in)) {
    return ReportFailure(io, kCommand, *fault);
  }
  const bool toFile = options.output != "-";
  OutputStream output;
  const bool streamFormat = options.format != "wfdb";
  if (streamFormat) {
    if (const std::optional<std::string> fault = output.Open(options.output, io.out)) {
      return ReportFailure(io, kCommand, *fault);
    }
  }
  std::string fault;
  const std::unique_ptr<RecordingWriter> writer =
      RecordingWriter::Create(options.format, streamFormat ? output.Stream() : io.out, toFile ? options.output : "", fault);
  if (!writer) return ReportFailure(io, kCommand, fault);

  LinkExport exporter(*writer);
  // A stream that fails wants no more of the link.
  const std::optional<std::string> readFault =
      ByteStreamReader(input.Stream(), options.hex).ReadAll([&](std::span<const unsigned char> bytes) {
        exporter.Feed(bytes);
        return !streamFormat || static_cast<bool>(output.Stream());
      });
  if (streamFormat && ReaderLeft(output.Stream())) return kExitOk;
  if (readFault) return ReportFailure(io, kCommand, input.Name() + ": " + *readFault);
  if (const std::optional<std::string> exported = exporter.Finish()) {
    return ReportFailure(io, kCommand, input.Name() + ": " + *exported);
  }
  if (streamFormat) {
    if (const std::optional<std::string> closed = output.Close()) return ReportFailure(io, kCommand, *closed);
  }
  if (toFile) {
    io.out << "wrote " << exporter.SampleCount() << " samples (" << Duration(exporter.SampleCount()) << ") to "
           << options.output << '\n';
  }
  ReportNote(io, kCommand, exporter.Remarks());
  return kExitOk;
}
