#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // an input that cannot be read, an output that cannot be written
constexpr int kExitUsage = 2;    // bad arguments

// The streams a command reads and writes; main passes the process's own, tests their own.
struct ToolIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// Writes "vudoda <command>: <fault>" and the command's usage to the error stream; returns
// kExitUsage.
int ReportUsageFault(ToolIo& io, std::string_view command, std::string_view usage,
                     std::string_view fault);
// Writes "vudoda <command>: <fault>" to the error stream; returns kExitFailure.
int ReportFailure(ToolIo& io, std::string_view command, std::string_view fault);

// The arguments of one command: flags ("--json"), options with a value ("--seconds 10",
// "--seconds=10", "-o FILE") and operands. "--" ends the options; a lone "-" is an operand.
// A repeated option keeps its last value.
class CommandLine {
 public:
  struct Option {
    std::string_view name;  // with its dashes, e.g. "--seconds" or "-o"
    bool takesValue;
  };

  explicit CommandLine(std::span<const Option> options);

  // Returns the fault (an unknown option, a missing or unexpected value), or nullopt.
  std::optional<std::string> Parse(std::span<const std::string> args);

  bool Has(std::string_view name) const { return m_values.contains(std::string(name)); }
  // The option's value, or nullopt when it was not given.
  std::optional<std::string> Value(std::string_view name) const;
  const std::vector<std::string>& Operands() const { return m_operands; }

 private:
  const Option* Find(std::string_view name) const;

  std::span<const Option> m_options;
  std::map<std::string, std::string> m_values;
  std::vector<std::string> m_operands;
};

// A whole decimal number in 0 … max, or nullopt (signs, blanks and trailing text refused).
std::optional<std::uint64_t> ParseUnsigned(std::string_view text, std::uint64_t max);
// A decimal number such as "10" or "2.5" in 0 … max, or nullopt.
std::optional<double> ParseNonNegative(std::string_view text, double max);
