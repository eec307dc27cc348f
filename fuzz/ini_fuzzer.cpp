// Feeds arbitrary bytes to the INI engine as a profile file, with an arbitrary edit, and checks
// the promises that the station's configuration file rests on:
//
//   - parsing, lookups, integer reading, editing and writing never crash or hang;
//   - writing the file and reading it back changes no lookup (line ends, the byte order mark and
//     foreign lines do not matter);
//   - a value that Set accepts reads back as written (trimmed, one pair of quotes dropped),
//     before and after the round trip, and no other key changes.
//
// Input: five short texts (section, key and value of the edit; section and key of a second
// lookup), then the file's bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ProfileFile.h"

namespace {

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "ini_fuzzer: %s\n", what);
    std::abort();
  }
}

std::optional<std::string> Lookup(const ProfileFile& profile, const std::string& section, const std::string& key) {
  const auto value = profile.Find(section, key);
  return value ? std::optional<std::string>(*value) : std::nullopt;
}

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\v\f";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
}

// A name as lookups compare it: trimmed, ASCII letters in one case.
std::string NameForm(std::string_view name) {
  std::string form(Trimmed(name));
  for (char& ch : form) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return form;
}

// What a written value reads back as: blanks trimmed, then one pair of matching quotes dropped.
std::string ReadBackForm(std::string_view value) {
  value = Trimmed(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(32);
  const std::string key = input.ConsumeRandomLengthString(32);
  const std::string value = input.ConsumeRandomLengthString(64);
  const std::string probeSection = input.ConsumeRandomLengthString(32);
  const std::string probeKey = input.ConsumeRandomLengthString(32);
  ProfileFile profile(input.ConsumeRemainingBytesAsString());

  const std::optional<std::string> probeBefore = Lookup(profile, probeSection, probeKey);
  const std::optional<std::string> editedBefore = Lookup(profile, section, key);
  profile.FindInt(section, key, -1);
  const ProfileFile unedited(profile.Serialize());
  Require(Lookup(unedited, probeSection, probeKey) == probeBefore, "a round trip changed a lookup");
  Require(Lookup(unedited, section, key) == editedBefore, "a round trip changed a lookup");

  const bool accepted = profile.Set(section, key, value);
  const std::optional<std::string> expected = accepted ? std::optional<std::string>(ReadBackForm(value)) : editedBefore;
  Require(Lookup(profile, section, key) == expected, "an edit does not read back");
  const ProfileFile reread(profile.Serialize());
  Require(Lookup(reread, section, key) == expected, "a written edit does not read back");
  const bool probesTheEditedKey = NameForm(probeSection) == NameForm(section) && NameForm(probeKey) == NameForm(key);
  if (!probesTheEditedKey) Require(Lookup(reread, probeSection, probeKey) == probeBefore, "a write changed another key");
  return 0;
}
