#include "tools/ManualPage.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Text as roff reads it literally: backslashes and dashes escaped, a line never starting with
// a control character.
std::string Roff(const std::string& text) {
  std::string escaped;
  bool lineStart = true;
  for (const char ch : text) {
    if (lineStart && (ch == '.' || ch == '\'')) escaped += "\\&";
    if (ch == '\\') {
      escaped += "\\e";
    } else if (ch == '-') {
      escaped += "\\-";
    } else {
      escaped += ch;
    }
    lineStart = ch == '\n';
  }
  return escaped;
}

std::vector<const CLI::App*> Commands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App*) { return true; });
}

std::string Usage(const CLI::App& app, const std::string& path) {
  const auto formatter = std::dynamic_pointer_cast<CLI::Formatter>(app.get_formatter());
  std::string usage = formatter ? formatter->make_usage(&app, path) : path;
  const std::string label = formatter ? formatter->get_label("Usage") + ": " : "";
  if (usage.starts_with(label)) usage.erase(0, label.size());
  while (!usage.empty() && usage.back() == '\n') usage.pop_back();
  return usage;
}

// "--seconds NUMBER" or "-o, --output FILE", as a user types the option.
std::string Synopsis(const CLI::Option& option) {
  std::string names;
  for (const std::string& name : option.get_snames()) names += (names.empty() ? "-" : ", -") + name;
  for (const std::string& name : option.get_lnames()) names += (names.empty() ? "--" : ", --") + name;
  if (option.get_positional()) names = option.get_name(true);
  return names;
}

void WriteOption(const CLI::Option& option, std::ostream& out) {
  out << ".TP\n.B " << Roff(Synopsis(option));
  if (option.get_items_expected_max() > 0 && !option.get_type_name().empty()) out << " \" " << Roff(option.get_type_name()) << '"';
  out << '\n' << Roff(option.get_description());
  if (!option.get_default_str().empty()) out << " (default: " << Roff(option.get_default_str()) << ")";
  if (option.get_required()) out << " (required)";
  out << '\n';
}

void WriteCommand(const CLI::App& command, const std::string& path, std::ostream& out) {
  out << ".SS \"" << Roff(Usage(command, path)) << "\"\n" << Roff(command.get_description()) << '\n';
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_lnames() != std::vector<std::string>{"help"}) WriteOption(*option, out);
  }
  if (!command.get_footer().empty()) out << ".PP\n.nf\n" << Roff(command.get_footer()) << "\n.fi\n";
  for (const CLI::App* sub : Commands(command)) WriteCommand(*sub, path + " " + sub->get_name(), out);
}

}  // namespace

void WriteManualPage(const CLI::App& tool, const char* version, std::ostream& out) {
  const std::string name = tool.get_name();
  out << ".TH VUDODA 1 \"\" \"" << name << ' ' << version << "\" \"User Commands\"\n"
      << ".SH NAME\n" << name << " \\- " << Roff(tool.get_description()) << '\n'
      << ".SH SYNOPSIS\n.B " << name << "\n\\fICOMMAND\\fR [\\fIOPTIONS\\fR] [\\fIARGUMENTS\\fR]\n"
      << ".SH DESCRIPTION\nEvery command and subcommand answers \\fB\\-\\-help\\fR (\\fB\\-h\\fR) "
         "with what this page says of it.\n";
  for (const CLI::Option* option : tool.get_options()) {
    if (option->get_lnames() != std::vector<std::string>{"help"}) WriteOption(*option, out);
  }
  out << ".SH COMMANDS\n";
  for (const CLI::App* command : Commands(tool)) WriteCommand(*command, name + " " + command->get_name(), out);
  out << ".SH \"EXIT STATUS\"\n" << Roff(tool.get_footer()) << '\n';
}
