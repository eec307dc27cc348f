#include "tools/CommandLine.h"

#include <charconv>
#include <ostream>

int ReportUsageFault(ToolIo& io, std::string_view command, std::string_view usage,
                     std::string_view fault) {
  io.err << "vudoda " << command << ": " << fault << "\nusage: " << usage << '\n';
  return kExitUsage;
}

int ReportFailure(ToolIo& io, std::string_view command, std::string_view fault) {
  io.err << "vudoda " << command << ": " << fault << '\n';
  return kExitFailure;
}

CommandLine::CommandLine(std::span<const Option> options) : m_options(options) {}

std::optional<std::string> CommandLine::Parse(std::span<const std::string> args) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      m_operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const Option* option = Find(name);
    if (option == nullptr) return "unknown option " + name;
    if (!option->takesValue) {
      if (equals != std::string::npos) return "option " + name + " takes no value";
      m_values[name];
    } else if (equals != std::string::npos) {
      m_values[name] = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      m_values[name] = args[++i];
    } else {
      return "option " + name + " needs a value";
    }
  }
  return std::nullopt;
}

std::optional<std::string> CommandLine::Value(std::string_view name) const {
  const auto found = m_values.find(std::string(name));
  if (found == m_values.end()) return std::nullopt;
  return found->second;
}

const CommandLine::Option* CommandLine::Find(std::string_view name) const {
  for (const Option& option : m_options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text, std::uint64_t max) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value > max) return std::nullopt;
  return value;
}

std::optional<double> ParseNonNegative(std::string_view text, double max) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (text.empty() || text[0] == '-' || error != std::errc() || stop != end || !(value <= max)) {
    return std::nullopt;
  }
  return value;
}
