#include "tools/BashCompletion.h"

#include <CLI/CLI.hpp>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "link/PacketKind.h"

namespace {

// Per command path ("vudoda", "vudoda db", "vudoda db add-user"): its subcommands, and its
// options. (A bash array takes no empty key, so the tool's own name starts each path.)
struct CommandWords {
  std::string subcommands;
  std::string options;
};

// The options that take a value, of those the ones whose value names a file, and the values
// of the ones that take one of a list, by command path and option ("vudoda strip --colors").
struct ValuedOptions {
  std::set<std::string> all;
  std::set<std::string> files;
  std::map<std::string, std::string> choices;
};

bool NamesAFile(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  return type.starts_with("FILE") || type.starts_with("PATH") || type.starts_with("sqlite:PATH");
}

// The values a single-valued option takes where its check lists them, as --help shows them
// ("TEXT:{paper,station}" gives "paper station"); empty for any other option.
std::string Choices(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  const std::size_t open = type.rfind(":{");
  if (option.get_delimiter() != '\0' || open == std::string::npos || !type.ends_with('}')) return "";
  std::string choices = type.substr(open + 2, type.size() - open - 3);
  for (char& ch : choices) ch = ch == ',' ? ' ' : ch;
  return choices;
}

void Collect(const CLI::App& command, const std::string& path, std::map<std::string, CommandWords>& words,
             ValuedOptions& valued) {
  CommandWords& own = words[path];
  for (const CLI::Option* option : command.get_options()) {
    std::vector<std::string> names;
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : names) {
      own.options += " " + name;
      if (option->get_items_expected_max() > 0) valued.all.insert(name);
      if (option->get_items_expected_max() > 0 && NamesAFile(*option)) valued.files.insert(name);
      if (const std::string choices = Choices(*option); !choices.empty()) valued.choices[path + " " + name] = choices;
    }
  }
  for (const CLI::App* sub : command.get_subcommands([](const CLI::App*) { return true; })) {
    own.subcommands += " " + sub->get_name();
    Collect(*sub, path + " " + sub->get_name(), words, valued);
  }
}

std::string Joined(const std::set<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : "|") + name;
  return joined;
}

}  // namespace

void WriteBashCompletion(const CLI::App& tool, std::ostream& out) {
  std::map<std::string, CommandWords> words;
  ValuedOptions valued;
  Collect(tool, tool.get_name(), words, valued);
  std::string classes;
  for (const PacketKind& kind : AllPacketKinds()) classes += (classes.empty() ? "" : " ") + std::string(kind.name);

  out << "# bash completion for " << tool.get_name() << ", generated from its command line.\n"
      << "_" << tool.get_name() << "() {\n"
      << "  local -A subcommands=(";
  for (const auto& [path, own] : words) out << " [\"" << path << "\"]=\"" << own.subcommands.substr(!own.subcommands.empty()) << '"';
  out << " )\n  local -A options=(";
  for (const auto& [path, own] : words) out << " [\"" << path << "\"]=\"" << own.options.substr(!own.options.empty()) << '"';
  out << " )\n  local -A choices=(";
  for (const auto& [option, choices] : valued.choices) out << " [\"" << option << "\"]=\"" << choices << '"';
  out << " )\n"
      << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} path=" << tool.get_name() << " word i\n"
      // The command path is the run of subcommand names, skipping options and their values.
      << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      << "    word=${COMP_WORDS[i]}\n"
      << "    case $word in\n"
      << "      " << Joined(valued.all) << ") ((i++)); continue ;;\n"
      << "    esac\n"
      << "    if [[ \" ${subcommands[$path]} \" == *\" $word \"* ]]; then path+=\" $word\"; fi\n"
      << "  done\n"
      << "  case $prev in\n"
      << "    --only)\n"
      << "      local done=${cur%,*}\n"
      << "      [[ $cur == *,* ]] && done+=, || done=\n"
      << "      COMPREPLY=($(compgen -P \"$done\" -W \"" << classes << "\" -- \"${cur##*,}\"))\n"
      << "      return ;;\n"
      << "    --language) COMPREPLY=($(compgen -W \"$(seq 1 14)\" -- \"$cur\")); return ;;\n"
      << "  esac\n"
      << "  if [[ -n ${choices[\"$path $prev\"]} ]]; then\n"
      << "    COMPREPLY=($(compgen -W \"${choices[\"$path $prev\"]}\" -- \"$cur\"))\n"
      << "    return\n"
      << "  fi\n"
      << "  case $prev in\n"
      << "    " << Joined(valued.files) << ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
      << "    " << Joined(valued.all) << ") COMPREPLY=(); return ;;\n"
      << "  esac\n"
      << "  if [[ $cur == -* ]]; then\n"
      << "    COMPREPLY=($(compgen -W \"${options[$path]}\" -- \"$cur\"))\n"
      << "  elif [[ -n ${subcommands[$path]} ]]; then\n"
      << "    COMPREPLY=($(compgen -W \"${subcommands[$path]}\" -- \"$cur\"))\n"
      << "  else\n"
      << "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      << "  fi\n"
      << "}\n"
      << "complete -F _" << tool.get_name() << ' ' << tool.get_name() << '\n';
}
