#include "tools/DecodeCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <set>

#include "link/ByteStreamReader.h"
#include "link/StreamFramer.h"
#include "tools/DecodeSummary.h"
#include "tools/InputStream.h"
#include "tools/JsonPrinter.h"
#include "tools/LanguageOption.h"
#include "tools/TextPrinter.h"

namespace {

constexpr const char* kCommand = "decode";

// The packet kinds to print: all of them, or those that --only names by class.
using KindFilter = std::set<const PacketKind*>;

KindFilter SelectKinds(const std::vector<std::string>& names) {
  KindFilter kinds;
  for (const PacketKind& kind : AllPacketKinds()) {
    if (names.empty() || std::find(names.begin(), names.end(), kind.name) != names.end()) kinds.insert(&kind);
  }
  return kinds;
}

std::unique_ptr<DecodePrinter> MakePrinter(bool json, std::ostream& out) {
  if (json) return std::make_unique<JsonPrinter>(out);
  return std::make_unique<TextPrinter>(out);
}

// Unknown bytes and a truncated tail are always shown; packets as the filter says.
void PrintEvent(const FrameEvent& event, const KindFilter& kinds, DecodePrinter& printer) {
  if (event.type != FrameEvent::Type::Packet) {
    printer.PrintUnframed(event);
    return;
  }
  if (!kinds.contains(event.kind)) return;
  FieldList fields;
  event.kind->listFields(event.bytes, fields);
  printer.PrintPacket(event, fields.Fields());
}

// Frames and prints the whole stream, or as much as `out`, which the printer writes, takes;
// returns the fault that cut the reading short, if any.
std::optional<std::string> Decode(std::istream& in, bool hex, const KindFilter& kinds, DecodePrinter& printer,
                                  const std::ostream& out) {
  DecodeSummary summary;
  StreamFramer framer([&](const FrameEvent& event) {
    summary.Count(event);
    PrintEvent(event, kinds, printer);
  });
  const std::optional<std::string> fault = ByteStreamReader(in, hex).ReadAll([&](std::span<const unsigned char> bytes) {
    framer.Feed(bytes);
    return static_cast<bool>(out);
  });
  framer.Finish();
  printer.PrintSummary(summary);
  return fault;
}

}  // namespace

void DefineDecode(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<DecodeOptions>();
  command.add_flag("--hex", options->hex, "read hex text (two digits a byte, blanks between) instead of raw bytes");
  command.add_flag("--json", options->json, "print one JSON object a line instead of text");
  std::vector<std::string> classes;
  for (const PacketKind& kind : AllPacketKinds()) classes.emplace_back(kind.name);
  command.add_option("--only", options->only, "print only these packet classes, comma-separated")
      ->type_name("CLASS[,CLASS...]")
      ->delimiter(',')
      ->transform(CLI::IsMember(classes, CLI::ignore_case));
  LanguageOption::Define(command, options->language);
  command.add_option("FILE", options->file, "the stream; standard input without it or with -")->capture_default_str();
  command.callback([options, &run] { run.exitCode = RunDecode(*options, run.io); });
}

int RunDecode(const DecodeOptions& options, ToolIo& io) {
  LanguageOption language;
  if (const std::optional<std::string> fault = language.Select(options.language)) {
    return ReportFailure(io, kCommand, *fault);
  }
  InputStream input;
  if (const std::optional<std::string> fault = input.Open(options.file, io.in)) {
    return ReportFailure(io, kCommand, *fault);
  }
  const std::unique_ptr<DecodePrinter> printer = MakePrinter(options.json, io.out);
  if (const std::optional<std::string> fault =
          Decode(input.Stream(), options.hex, SelectKinds(options.only), *printer, io.out)) {
    return ReportFailure(io, kCommand, input.Name() + ": " + *fault);
  }
  return FinishOutput(io, kCommand);
}
