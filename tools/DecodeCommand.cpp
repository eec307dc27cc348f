#include "tools/DecodeCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "platform/CString.h"
#include "station/ByteStreamReader.h"
#include "tools/DecodeSummary.h"
#include "tools/JsonPrinter.h"
#include "tools/LanguageOption.h"
#include "station/StreamFramer.h"
#include "tools/TextPrinter.h"

const char kDecodeUsage[] = "vudoda decode [--hex] [--json] [--only CLASS[,CLASS...]] [--language N] [FILE]";

namespace {

constexpr const char* kCommand = "decode";
constexpr CommandLine::Option kOptions[] = {{"--hex", false}, {"--json", false}, {"--only", true},
                                            LanguageOption::kOption};

// The packet kinds to print: all of them, or those that --only names by class.
using KindFilter = std::set<const PacketKind*>;

std::optional<std::string> ParseKindFilter(const std::optional<std::string>& names, KindFilter& kinds) {
  const std::span<const PacketKind> all = AllPacketKinds();
  if (!names) {
    for (const PacketKind& kind : all) kinds.insert(&kind);
    return std::nullopt;
  }
  std::stringstream list(*names);
  for (std::string name; std::getline(list, name, ',');) {
    const auto named = std::find_if(all.begin(), all.end(), [&](const PacketKind& kind) {
      return CString(kind.name).CompareNoCase(name.c_str()) == 0;
    });
    if (named == all.end()) return "--only: no packet class '" + name + "'";
    kinds.insert(&*named);
  }
  return std::nullopt;
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

// Frames and prints the whole stream; returns the fault that cut it short, if any.
std::optional<std::string> Decode(std::istream& in, bool hex, const KindFilter& kinds, DecodePrinter& printer) {
  DecodeSummary summary;
  StreamFramer framer([&](const FrameEvent& event) {
    summary.Count(event);
    PrintEvent(event, kinds, printer);
  });
  const std::optional<std::string> fault = ByteStreamReader(in, hex).ReadAll(
      [&](std::span<const unsigned char> bytes) { framer.Feed(bytes); });
  framer.Finish();
  printer.PrintSummary(summary);
  return fault;
}

}  // namespace

int RunDecode(std::span<const std::string> args, ToolIo& io) {
  CommandLine line(kOptions);
  if (const std::optional<std::string> fault = line.Parse(args)) {
    return ReportUsageFault(io, kCommand, kDecodeUsage, *fault);
  }
  KindFilter kinds;
  if (const std::optional<std::string> fault = ParseKindFilter(line.Value("--only"), kinds)) {
    return ReportUsageFault(io, kCommand, kDecodeUsage, *fault);
  }
  if (line.Operands().size() > 1) {
    return ReportUsageFault(io, kCommand, kDecodeUsage, "more than one FILE");
  }
  LanguageOption language;
  if (const std::optional<LanguageOption::Fault> fault = language.Select(line.Value("--language"))) {
    return ReportLanguageFault(io, kCommand, kDecodeUsage, *fault);
  }
  std::istream* in = &io.in;
  std::string inputName = "standard input";
  std::ifstream file;
  if (!line.Operands().empty() && line.Operands().front() != "-") {
    inputName = line.Operands().front();
    file.open(inputName, std::ios::binary);
    if (!file) {
      return ReportFailure(io, kCommand, "cannot open " + inputName + ": " + std::strerror(errno));
    }
    in = &file;
  }
  const std::unique_ptr<DecodePrinter> printer = MakePrinter(line.Has("--json"), io.out);
  if (const std::optional<std::string> fault = Decode(*in, line.Has("--hex"), kinds, *printer)) {
    return ReportFailure(io, kCommand, inputName + ": " + *fault);
  }
  io.out.flush();
  return io.out ? kExitOk : ReportFailure(io, kCommand, "cannot write standard output");
}
