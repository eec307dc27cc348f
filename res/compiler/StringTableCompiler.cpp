// The string-table compiler: turns a string-table source (the English table res/strings.txt or a
// translation res/lang/LANG_XXX.txt) into a C++ source that defines the module's exported
// string table (platform/StringTable.h).
//
//   vudoda_string_compiler --english FILE [--translation FILE] --output FILE
//
// The source format: UTF-8 without a byte-order mark, LF line ends; a line that is empty or
// whose first non-blank character is '#' is a comment; every other line is
//   ID "TEXT"
// with a decimal id, one blank, and a text in double quotes in which \" and \\ are the only
// escapes. Ids ascend, each once. A translation may only hold ids of the English table.
//
// Any fault stops the build with "FILE:LINE: what" on the error stream and exit code 1. The
// English ids that a translation lacks (they fall back to English at run time) are listed on
// standard output, so that the build shows the translator what is left.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Text {
  std::uint32_t id;
  std::string utf8;
  int line;
};

// A fault of a source: where ("FILE:LINE") and what.
struct Fault {
  std::string where;
  std::string what;
};

bool IsComment(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t");
  return first == std::string_view::npos || line[first] == '#';
}

// Bytes of the UTF-8 sequence that `lead` begins, or 0 for a byte that begins none.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) without control
// characters: every text of a table is one line of readable text.
bool IsReadableUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = SequenceLength(lead);
    if (length == 0 || text.size() - i < static_cast<size_t>(length)) return false;
    std::uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto trail = static_cast<unsigned char>(text[i + k]);
      if ((trail & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (trail & 0x3F);
    }
    constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (control || surrogate || codePoint < kSmallest[length] || codePoint > 0x10FFFF) return false;
    i += static_cast<size_t>(length);
  }
  return true;
}

// The id at the start of `line`: decimal digits without a leading zero, within 32 bits.
std::optional<std::uint32_t> ParseId(std::string_view line, size_t& end) {
  end = 0;
  std::uint64_t id = 0;
  while (end < line.size() && line[end] >= '0' && line[end] <= '9') {
    id = id * 10 + static_cast<std::uint64_t>(line[end] - '0');
    if (id > 0xFFFFFFFFu) return std::nullopt;
    ++end;
  }
  if (end == 0 || (line[0] == '0' && end > 1)) return std::nullopt;
  return static_cast<std::uint32_t>(id);
}

// The text between the quotes of `quoted` ("..." with \" and \\), or the fault.
std::optional<std::string> ParseQuoted(std::string_view quoted, std::string& fault) {
  if (quoted.empty() || quoted.front() != '"') {
    fault = "expected one blank and a text in double quotes after the id";
    return std::nullopt;
  }
  std::string text;
  for (size_t i = 1; i < quoted.size(); ++i) {
    const char ch = quoted[i];
    if (ch == '"') {
      if (i + 1 != quoted.size()) {
        fault = "something after the closing quote";
        return std::nullopt;
      }
      return text;
    }
    if (ch == '\\') {
      if (i + 1 == quoted.size() || (quoted[i + 1] != '"' && quoted[i + 1] != '\\')) {
        fault = "bad escape (only \\\" and \\\\ exist)";
        return std::nullopt;
      }
      ++i;
    }
    text += quoted[i];
  }
  fault = "no closing quote";
  return std::nullopt;
}

// One text line, or the fault in it.
std::optional<Text> ParseTextLine(std::string_view line, int number, std::string& fault) {
  size_t idEnd = 0;
  const std::optional<std::uint32_t> id = ParseId(line, idEnd);
  if (!id) {
    fault = "expected a decimal string id (no sign, no leading zero, at most 4294967295) at the start of the line";
    return std::nullopt;
  }
  if (idEnd >= line.size() || line[idEnd] != ' ') {
    fault = "expected exactly one blank after the id";
    return std::nullopt;
  }
  std::optional<std::string> text = ParseQuoted(line.substr(idEnd + 1), fault);
  if (!text) return std::nullopt;
  if (text->empty()) {
    fault = "empty text (leave the id out to show the English text)";
    return std::nullopt;
  }
  if (!IsReadableUtf8(*text)) {
    fault = "the text is not valid UTF-8 or holds a control character";
    return std::nullopt;
  }
  return Text{*id, std::move(*text), number};
}

// Every text of the source at `path`, in order; the first fault stops the parse.
std::optional<std::vector<Text>> ParseSource(const std::string& path, Fault& fault) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    fault = {path, "cannot be read"};
    return std::nullopt;
  }
  std::vector<Text> texts;
  std::map<std::uint32_t, int> lineOf;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    const std::string where = path + ":" + std::to_string(number);
    std::string what;
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) what = "byte-order mark (save as UTF-8 without one)";
    if (what.empty() && !line.empty() && line.back() == '\r') what = "carriage return (lines end in LF alone)";
    if (what.empty() && IsComment(line)) continue;
    std::optional<Text> text;
    if (what.empty()) text = ParseTextLine(line, number, what);
    if (text && lineOf.contains(text->id)) {
      what = "id " + std::to_string(text->id) + " appears twice (first on line " + std::to_string(lineOf[text->id]) + ")";
    } else if (text && !texts.empty() && text->id < texts.back().id) {
      what = "id " + std::to_string(text->id) + " out of order (ids ascend; line " +
             std::to_string(texts.back().line) + " has " + std::to_string(texts.back().id) + ")";
    }
    if (!what.empty()) {
      fault = {where, what};
      return std::nullopt;
    }
    lineOf[text->id] = number;
    texts.push_back(std::move(*text));
  }
  return texts;
}

// The first translated id that the English table lacks, as a fault.
std::optional<Fault> FindStrayId(const std::string& path, const std::vector<Text>& translation,
                                 const std::vector<Text>& english) {
  std::set<std::uint32_t> known;
  for (const Text& text : english) known.insert(text.id);
  for (const Text& text : translation) {
    if (!known.contains(text.id)) {
      return Fault{path + ":" + std::to_string(text.line),
                   "id " + std::to_string(text.id) + " is not in the English table"};
    }
  }
  return std::nullopt;
}

// "10000-10002 10019", the English ids that the translation lacks, or "" for none.
std::string MissingIds(const std::vector<Text>& translation, const std::vector<Text>& english, int& count) {
  std::set<std::uint32_t> present;
  for (const Text& text : translation) present.insert(text.id);
  std::vector<std::uint32_t> missing;
  for (const Text& text : english) {
    if (!present.contains(text.id)) missing.push_back(text.id);
  }
  count = static_cast<int>(missing.size());
  std::ostringstream list;
  for (size_t first = 0; first < missing.size();) {
    size_t last = first;
    while (last + 1 < missing.size() && missing[last + 1] == missing[last] + 1) ++last;
    list << (first ? " " : "") << missing[first];
    if (last > first) list << '-' << missing[last];
    first = last + 1;
  }
  return list.str();
}

// A C++ string literal of `bytes`: printable ASCII as it is, everything else as octal escapes
// of three digits, which never run into the next character.
std::string CppLiteral(const std::string& bytes) {
  std::string literal = "\"";
  for (const char ch : bytes) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte >= 0x20 && byte < 0x7F && ch != '"' && ch != '\\' && ch != '?') {
      literal += ch;
    } else {
      literal += '\\';
      literal += static_cast<char>('0' + (byte >> 6));
      literal += static_cast<char>('0' + ((byte >> 3) & 7));
      literal += static_cast<char>('0' + (byte & 7));
    }
  }
  return literal + '"';
}

std::string GeneratedSource(const std::string& sourcePath, const std::vector<Text>& texts) {
  std::ostringstream out;
  out << "// Generated by the string-table compiler from " << sourcePath << "; edit that file instead.\n"
      << "#include \"platform/StringTable.h\"\n\n";
  out << "namespace {\n\n";
  if (texts.empty()) {
    out << "constexpr StringTable kTable = {nullptr, 0};\n";
  } else {
    out << "constexpr StringTableEntry kEntries[] = {\n";
    for (const Text& text : texts) {
      out << "    {" << text.id << "u, " << text.utf8.size() << "u, " << CppLiteral(text.utf8) << "},\n";
    }
    out << "};\n\nconstexpr StringTable kTable = {kEntries, " << texts.size() << "u};\n";
  }
  out << "\n}  // namespace\n\n"
      << "extern \"C\" AFX_EXT_API const StringTable* VUDODA_STRING_TABLE() { return &kTable; }\n";
  return out.str();
}

struct Arguments {
  std::string english;
  std::string translation;
  std::string output;
};

std::optional<Arguments> ParseArguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    std::string* target = name == "--english" ? &arguments.english
                          : name == "--translation" ? &arguments.translation
                          : name == "--output" ? &arguments.output
                                               : nullptr;
    if (!target) return std::nullopt;
    *target = argv[i + 1];
  }
  if (argc % 2 == 0 || arguments.english.empty() || arguments.output.empty()) return std::nullopt;
  return arguments;
}

int Report(const Fault& fault) {
  std::cerr << fault.where << ": error: " << fault.what << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Arguments> arguments = ParseArguments(argc, argv);
  if (!arguments) {
    std::cerr << "usage: vudoda_string_compiler --english FILE [--translation FILE] --output FILE\n";
    return 2;
  }
  Fault fault;
  const std::optional<std::vector<Text>> english = ParseSource(arguments->english, fault);
  if (!english) return Report(fault);
  std::vector<Text> table = *english;
  std::string sourcePath = arguments->english;
  if (!arguments->translation.empty()) {
    sourcePath = arguments->translation;
    std::optional<std::vector<Text>> translation = ParseSource(sourcePath, fault);
    if (!translation) return Report(fault);
    if (const std::optional<Fault> stray = FindStrayId(sourcePath, *translation, *english)) return Report(*stray);
    int count = 0;
    const std::string missing = MissingIds(*translation, *english, count);
    if (count > 0) {
      std::cout << sourcePath << ": lacks " << count << " of " << english->size()
                << " English ids (shown in English): " << missing << '\n';
    }
    table = std::move(*translation);
  }
  std::ofstream output(arguments->output, std::ios::binary | std::ios::trunc);
  output << GeneratedSource(sourcePath, table);
  output.close();
  if (!output) return Report({arguments->output, "cannot be written"});
  return 0;
}
